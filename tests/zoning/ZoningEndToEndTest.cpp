// A "ZoningOnly" case whose model is too large to keep in the tree: the test writes it.
// The other zoning runs are data in tests/cases/zoning.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Cases.h"

namespace {

TEST(ZoningEndToEnd, ActiveSetCutToItsBufferIsReadUpToItsEnd) {
    runCase("zoning/big_active", [](const ProbeInstall& install, ProbeRunOptions& options) {
        // One zone of 25,000 members: 300,000 bytes of members for a 256,000-byte buffer,
        // which holds (256,000 - 48) / 12 = 21,329 of them.
        std::string members;
        for (unsigned i = 0; i < 25000; ++i) {
            char member[48];
            std::snprintf(member, sizeof member, "%s{\"type\":1,\"id\":\"10000000%08X\"}", i ? "," : "", i);
            members += member;
        }
        options.model = install.path("model.json");
        writeFile(options.model,
                  R"({"adapters":[{"name":"fabricsim-hba0","node_wwn":"20000000C9A00001","ct_v2":true,"ports":[)"
                  R"({"wwn":"10000000C9A00001","fcid":"010100","fabric":"A"}]}],"fabrics":{"A":{"name":"100000000000A001",)"
                  R"("switches":[{"wwn":"100000000000A001","type":1,"domain":1,"ports":[]}],"platforms":[],"zoning":)"
                  R"({"full_db":false,"active":{"name":"cfg_big","zones":[{"name":"z_big","members":[)" +
                      members + "]}]},\"database\":[]}}},\"faults\":[]}\n");
    });
}

}  // namespace

// Kernel mode's view of a model: which ports become fc_hosts, and the tree written for them.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "KernelHosts.h"
#include "ModelLoader.h"
#include "SimHarness.h"

using fabricsim::KernelHost;
using fabricsim::Model;

namespace {
Model modelWith(nlohmann::json json) {
    Model model;
    fabricsim::ModelError error;
    EXPECT_TRUE(fabricsim::parseModel(json.dump(), model, error)) << error.path << ": " << error.reason;
    return model;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string linkOf(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
    return n < 0 ? std::string() : std::string(target, static_cast<std::size_t>(n));
}
}  // namespace

TEST(KernelHosts, OneFcHostPerPortWithAFabricInModelOrder) {
    nlohmann::json json = fstest::readModelJson("full.json");
    json["adapters"][0]["ports"][1]["fail_attributes"] = true;
    const Model model = modelWith(json);
    const std::vector<KernelHost> hosts = fabricsim::kernelHosts(model);
    ASSERT_FALSE(hosts.empty());
    std::size_t expected = 0;
    for (std::size_t a = 0; a < model.adapters.size(); ++a)
        for (const auto& port : model.adapters[a].ports)
            if (port.fabric && model.adapters[a].fail == fabricsim::AdapterFailure::None) ++expected;
    EXPECT_EQ(hosts.size(), expected) << "ports without a fabric and failing adapters have none";
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        EXPECT_EQ(hosts[i].number, i);
        if (i > 0) {
            EXPECT_LT(std::make_pair(hosts[i - 1].adapter, hosts[i - 1].port), std::make_pair(hosts[i].adapter, hosts[i].port));
        }
    }
    EXPECT_EQ(hosts[0].adapter, 0u);
    EXPECT_TRUE(hosts[0].pciFunction);
    ASSERT_EQ(hosts[1].port, 1u);
    EXPECT_FALSE(hosts[1].pciFunction) << "fail_attributes: libhbalinux must find no PCI function";
}

TEST(KernelHosts, TheTreeHoldsWhatLibhbalinuxReads) {
    const Model model = modelWith(fstest::readModelJson("full.json"));
    char pattern[] = "/tmp/kernel-tree-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    ::mkdir((root + "/class").c_str(), 0755);
    ::mkdir((root + "/pci").c_str(), 0755);
    ASSERT_EQ(fabricsim::writeSysfsTree(model, root + "/class", root + "/pci"), "");

    const KernelHost host = fabricsim::kernelHosts(model).front();
    const auto& port = model.adapters[host.adapter].ports[host.port];
    const std::string dir = root + "/class/fc_host/host0";
    char wwn[24];
    std::snprintf(wwn, sizeof wwn, "0x%llx\n", static_cast<unsigned long long>(port.wwn));
    EXPECT_EQ(slurp(dir + "/port_name"), wwn);
    EXPECT_EQ(slurp(dir + "/symbolic_name"), "fcoe v0.1 over " + host.ifname + "\n");
    EXPECT_EQ(linkOf(dir + "/device").find("devices/pci"), std::string::npos);
    EXPECT_EQ(linkOf(root + "/class/net/" + host.ifname + "/device"), "/sys/bus/pci/devices/" + host.pciAddress);
    const std::string config = slurp(root + "/pci/" + host.pciAddress + "/config");
    ASSERT_EQ(config.size(), 256u);
    EXPECT_EQ(static_cast<unsigned char>(config[0x0e]), 0u) << "one function: libhbalinux counts one port";
    EXPECT_EQ(slurp(root + "/class/bsg/fc_host0/dev"), "254:0\n");
    std::system(("rm -rf '" + root + "'").c_str());
}

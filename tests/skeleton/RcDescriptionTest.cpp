#include <cstring>

#include <gtest/gtest.h>

#include "RcDescription.h"

namespace {

std::string describe(int rc) {
    char buffer[46];  // the longest name and its null
    std::memset(buffer, 'X', sizeof buffer);
    getFpRcDescription(rc, buffer, sizeof buffer);
    return buffer;
}

TEST(RcDescription, NamesOfTheRunsCodes) {
    EXPECT_EQ(describe(0), "FABRIC_PROBE_SUCCESS");
    EXPECT_EQ(describe(-2006), "FABRIC_PROBE_FABRICPROBECOMMAND_NOT_SPECIFIED");  // 45 characters
    EXPECT_EQ(describe(-2012), "FABRIC_PROBE_FABRICS_INVALID");
    EXPECT_EQ(describe(-2015), "FABRIC_PROBE_MEMORY_ALLOCATION_FAILURE");
    EXPECT_EQ(describe(-1002), "FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT");
    // A stopped probe and a failed HBA API load have no name of their own.
    EXPECT_EQ(describe(-2016), "UNKNOWN");
    EXPECT_EQ(describe(1), "UNKNOWN");
    char tiny[8];
    getFpRcDescription(-2000, tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "FABRIC_");
}

}  // namespace

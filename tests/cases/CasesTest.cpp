// Every case under tests/cases, each a test of its own (Cases.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "Cases.h"

namespace {

class Case : public ::testing::TestWithParam<std::string> {};

TEST_P(Case, Run) { runCase(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Data, Case, ::testing::ValuesIn(caseIds()), [](const auto& info) {
    std::string name = info.param;
    std::replace_if(name.begin(), name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
    return name;
});

}  // namespace

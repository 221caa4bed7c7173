// End-to-end cases as data: a folder tests/cases/<area>/<name>/ whose case.json says how
// the installed probe is run and what the run must leave (tests/cases/README.md lists
// its fields). tests/cases/CasesTest.cpp runs every case as a test of its own.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "ProbeRun.h"

// "<area>/<name>", or "<area>/<name>/<variant>" for each variant of a case that has them;
// cases that a C++ test runs (their "run_by") are left out.
std::vector<std::string> caseIds();

struct CaseRun {
    explicit CaseRun(const std::string& name) : install(name) {}
    ProbeInstall install;
    ProbeRunResult result;
};

// What the data cannot say (links, devices, generated models), done after the
// installation is made and before the probe starts.
using CasePreparation = std::function<void(const ProbeInstall&, ProbeRunOptions&)>;

// Runs the case and checks all it expects, as gtest failures.
CaseRun runCase(const std::string& id, const CasePreparation& prepare = {});

// Every path under the installation as "./relative", but its links to the staged
// installation and the stand-in agent's records.
std::set<std::string> treeOf(const ProbeInstall& install);

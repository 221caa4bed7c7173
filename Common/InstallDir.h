// Where the agent is installed, derived from the path the program was started by.
#pragma once

#include <string>

// An absolute path is normalised and taken when its last directory starts with
// "bin"; a bare name is looked up in PATH; the result is what lies before
// "/bin". Empty when that cannot be told. programName gets the last component.
std::string deriveInstallDir(const char* programPath, std::string& programName);

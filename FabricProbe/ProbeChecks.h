// Checks of the probe options, and the command line as the activity log records it.
#pragma once

#include <string>

class CmdArgs;

// 0, or the code of the last failing check (-2003 ... -2012): every check runs.
int checkProbeOptions(const CmdArgs& args);

// The arguments joined by blanks (each followed by one); an argument that would
// take the text past 997 characters replaces it by a fixed overflow sentence.
std::string commandLineText(int argc, char** argv);

// A rejected argument as AGT0412E names it: cut as a traced text, with control
// characters written "%XX" so that the report stays one line.
std::string rejectedArgumentText(const std::string& argument);

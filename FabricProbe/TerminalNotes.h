// What a person running the probe by hand reads on standard error when a run cannot do its
// work: one line saying why, and for an unusable command line the usage synopsis. The agent
// reads only the exit status, standard output and the files, so these change nothing for it.
#pragma once

#include <string>

class CmdArgs;

// The parse failed with this result (CmdArgs::parse).
void explainRejectedCommandLine(int parseResult, const CmdArgs& args);
// The command line parsed, but the probe checks failed (checkProbeOptions).
void explainFailedChecks(const CmdArgs& args);
// A start-up step other than the command line failed.
void noteStartFailure(const std::string& why);
// The HBA API could not be loaded, so no adapter was probed.
void noteLoadFailure(int status, const std::string& logPath);

// Names of the files a fabric probe job reads and writes under the installation.
#pragma once

#include <string>

class CmdArgs;

// <install>/output/<server>/fabricprobe_<command>_<timestamp>_<request>_<job>
// without extension; the output file adds ".dat", the job file ".jobinfo".
std::string probeFileStem(const std::string& install, const CmdArgs& args);
std::string probeOutputFileName(const CmdArgs& args);
// <install>/input/<server>/fabrics_to_be_probed_<command>_<timestamp>_<request>_<job>.dat
std::string probeInputFileName(const CmdArgs& args);

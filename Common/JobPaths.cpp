#include "JobPaths.h"

#include "CmdArgs.h"

namespace {
std::string jobSuffix(const CmdArgs& args) {
    return args.fabricProbeCmd + "_" + args.fabricProbeJobTimestamp + "_" +
           args.fabricProbeDiscoverRequestId + "_" + args.fabricProbeJobId;
}
}  // namespace

std::string probeFileStem(const std::string& install, const CmdArgs& args) {
    return install + "/output/" + args.serverName + "/fabricprobe_" + jobSuffix(args);
}

std::string probeOutputFileName(const CmdArgs& args) {
    return probeFileStem(args.installLoc, args) + ".dat";
}

std::string probeInputFileName(const CmdArgs& args) {
    return args.installLoc + "/input/" + args.serverName + "/fabrics_to_be_probed_" + jobSuffix(args) +
           ".dat";
}

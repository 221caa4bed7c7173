#include "ProbeChecks.h"

#include <cstdio>
#include <cstring>

#include "CmdArgs.h"
#include "FabricProbe.h"
#include "ReturnCodes.h"
#include "naTrace.h"

int checkProbeOptions(const CmdArgs& args) {
    // Each failing check overwrites the result, so the last one in this order decides.
    int rc = FABRIC_PROBE_SUCCESS;
    if (args.serverName.empty()) rc = FABRIC_PROBE_SERVERNAME_NOT_SPECIFIED;
    if (args.serverIp.empty()) rc = FABRIC_PROBE_SERVERIP_NOT_SPECIFIED;
    if (args.serverPort == 0) rc = FABRIC_PROBE_SERVERPORT_NOT_SPECIFIED;
    if (args.fabricProbeCmd.empty()) rc = FABRIC_PROBE_FABRICPROBECOMMAND_NOT_SPECIFIED;
    if (args.fabricProbeFabrics.empty()) rc = FABRIC_PROBE_PROBEFABRICS_NOT_SPECIFIED;
    if (args.fabricProbeJobTimestamp.empty()) rc = FABRIC_PROBE_PROBETIMESTAMP_NOT_SPECIFIED;
    if (args.fabricProbeDiscoverRequestId.empty()) rc = FABRIC_PROBE_DISCOVERREQUESTID_NOT_SPECIFIED;
    if (args.fabricProbeJobId.empty()) rc = FABRIC_PROBE_JOBID_NOT_SPECIFIED;
    if (probeCommandOf(args.fabricProbeCmd) == ProbeCommand::Unknown) rc = FABRIC_PROBE_COMMAND_INVALID;
    if (fabricSelectionOf(args.fabricProbeFabrics) == FabricSelection::Unknown) rc = FABRIC_PROBE_FABRICS_INVALID;
    return rc;
}

std::string commandLineText(int argc, char** argv) {
    static const char overflow[] = "Command line args length greater than commandLineAargString can handle\n";
    std::string text;
    for (int i = 0; argv && i < argc; ++i) {
        const char* arg = argv[i] ? argv[i] : "";
        const std::size_t length = std::strlen(arg);
        if (text.size() + length <= 997) {
            text.append(arg, length);
            text += ' ';
        } else {
            text = overflow;
        }
    }
    return text;
}

std::string rejectedArgumentText(const std::string& argument) {
    std::string text;
    for (const char c : naTraceText(argument)) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            text += c;
            continue;
        }
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
        text += escaped;
    }
    return text;
}

// The fabric probe: start-up, option checks, the probe, notification of the agent, shut-down.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>

#include "AgentNotify.h"
#include "CmdArgs.h"
#include "CmdTables.h"
#include "FabricProbe.h"
#include "JobPaths.h"
#include "LogManager.h"
#include "OutputFile.h"
#include "OutputFormat.h"
#include "ProbeChecks.h"
#include "RcDescription.h"
#include "ReturnCodes.h"
#include "TerminalNotes.h"
#include "TopologyWriters.h"
#include "Version.h"
#include "ZoneWriters.h"
#include "comutils.h"
#include "naMessages.h"
#include "naNls.h"
#include "naTrace.h"
#include "psnautil.h"
#include "pssignal.h"

namespace {

const char kCatalog[] = "orxna.cat";
const char fn[] = "main()";

// What start-up got going, so that shut-down ends exactly that, in its order.
class RunServices {
public:
    RunServices() = default;
    RunServices(const RunServices&) = delete;
    RunServices& operator=(const RunServices&) = delete;
    ~RunServices() { shutDown(); }

    void catalogStarted() { catalog_ = true; }
    void openLog(const std::string& path) {
        log_.reset(new LogManager(path));
        naLog = log_.get();
    }
    void traceStarted() { trace_ = true; }

    void shutDown() {
        if (catalog_) {
            naLog = nullptr;
            log_.reset();
            naEndNls();
            catalog_ = false;
        }
        if (trace_) {
            naEndTrace();
            trace_ = false;
        }
    }

private:
    std::unique_ptr<LogManager> log_;
    bool catalog_ = false;
    bool trace_ = false;
};

// Steps that must all succeed before the probe may start; any failure is -2000.
int startUp(int argc, char** argv, CmdArgs* args, RunServices& services) {
    if (!args) return FABRIC_PROBE_FAILED;
    const std::string install = args->getInstallDir();
    if (install.empty()) {
        noteStartFailure("cannot tell the installation directory from the program's path " +
                         std::string(argc > 0 && argv[0] ? argv[0] : "") + ": run it as <prefix>/bin/fabricprobe");
        return FABRIC_PROBE_FAILED;
    }

    std::string logPath = install + "/log/fabricprobe.log";
    if (naInitNls(kCatalog, kCatalog, logPath, install + "/nls") != 0) {
        noteStartFailure("cannot open the message catalog " + std::string(kCatalog) + " under " + install + "/nls");
        return FABRIC_PROBE_FAILED;
    }
    services.catalogStarted();

    const int parsed = args->parse();
    if (!args->logFile.empty()) logPath = args->logFile;
    services.openLog(logPath);
    if (parsed == CMDARGS_INVALID_OPTION) {
        // Said to whoever started the run, and kept in the log for the operator.
        const std::string rejected = rejectedArgumentText(args->currentArg);
        naLog->PrintMessage(AGT0412E.number, AGT0412E.id, rejected.c_str());
        naLogMessage(AGT0412E, rejected.c_str());
    }
    if (parsed != CMDARGS_OK) {
        explainRejectedCommandLine(parsed, *args);
        return FABRIC_PROBE_FAILED;
    }

    naLogMessage(AGT0429I, "FabricProbe", commandLineText(argc, argv).c_str());

    if (naInitTrace(args->traceFile, args->debugWord, args->maxLogSize) != 0) {
        noteStartFailure("cannot start the debug trace " + args->traceFile);
        return FABRIC_PROBE_FAILED;
    }
    services.traceStarted();
    psSetSignals();
    return FABRIC_PROBE_SUCCESS;
}

// Opens and heads the output file, runs the probe loop and closes the file.
int probe(const CmdArgs& args, std::string& outputName, std::string& inputName) {
    outputName = probeOutputFileName(args);
    OutputFile output;
    if (!output.open(outputName)) {
        const int error = errno;
        naLogMessage(AGT0421E, "probe", outputName.c_str());
        NATRACE(TR_MIN, "error opening output file %s errno %d error description %s\n",
                naTraceText(outputName).c_str(), error, std::strerror(error));
        return FABRIC_PROBE_UNABLE_TO_CREATE_OUTPUT_FILE;
    }

    const ProbeCommand command = probeCommandOf(args.fabricProbeCmd);
    const FabricSelection fabrics = fabricSelectionOf(args.fabricProbeFabrics);
    printHeaderStart(output.stream());
    if (command == ProbeCommand::Topology) printFabricTopologyProbeHeader(output.stream());
    else if (command == ProbeCommand::ZoningOnly) printFabricZoneProbeHeader(output.stream());
    printHeaderEnd(output.stream());

    if (fabrics == FabricSelection::Specific) inputName = probeInputFileName(args);
    int rc = getFabrics(output.stream(), command, fabrics, inputName.c_str(), outputName.c_str());
    NATRACE(TR_MIN, "status from getFabrics is %d\n", rc);

    if (!output.close()) {
        const int error = errno;
        NATRACE(TR_MIN, "error closing output file errno %d description %s\n", error, std::strerror(error));
        // The file's tail may never have reached the disk: not a success.
        if (rc == FABRIC_PROBE_SUCCESS) {
            rc = FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE;
            naLogMessage(AGT0422E, "probe", outputName.c_str());
        }
    }
    return rc;
}

void notifyAgent(int rc, const CmdArgs& args, const std::string& jobFile) {
    naLogMessage(STA0249I);
    const int notified = runAgentNotifyFabric(agentNoticeOf(rc, args));
    if (notified == 0) {
        naLogMessage(STA0250I);
        return;
    }
    naLogMessage(STA0251E);
    if (!jobFile.empty()) updateJobFile(jobFile, rc, args.jobEndTime);
}

// Everything after a successful start-up: the version or the probe, then the wrap-up.
int runJob(const CmdArgs& args, const std::string& jobFile) {
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    NATRACE(TR_MIN, "command is %s\n", naTraceText(args.fabricProbeCmd).c_str());
    NATRACE(TR_MIN, "fabrics is %s\n", naTraceText(args.fabricProbeFabrics).c_str());
    NATRACE(TR_MIN, "jobtimestamp is %s\n", naTraceText(args.fabricProbeJobTimestamp).c_str());
    NATRACE(TR_MIN, "discoverrequestid is %s\n", naTraceText(args.fabricProbeDiscoverRequestId).c_str());
    NATRACE(TR_MIN, "jobid is %s\n", naTraceText(args.fabricProbeJobId).c_str());

    int rc = FABRIC_PROBE_SUCCESS;
    std::string inputName;
    if (args.commandId == FPROBE_COMMAND_VERSION) {
        displayFabricProbeVersion();
    } else {
        std::string outputName;
        rc = checkProbeOptions(args);
        if (rc != FABRIC_PROBE_SUCCESS) explainFailedChecks(args);
        if (rc == FABRIC_PROBE_SUCCESS) rc = probe(args, outputName, inputName);
        // Only a failed load of the HBA API ends with a positive code (its status).
        if (rc > 0) noteLoadFailure(rc, args.logFile);
        copyOutputToLog(outputName);
        notifyAgent(rc, args, jobFile);
    }

    // A full trace keeps the input file for whoever reads the trace.
    if (!TR_MAX && !inputName.empty()) {
        std::string path = inputName;
        if (psFileExist(path)) psRemoveFile(path);
    }
    char description[64];
    getFpRcDescription(rc, description, sizeof description);
    NATRACE(TR_MIN, "getFabrics() rc : %d description %s\n", rc, description);
    naLogMessage(AGT0430I, "FabricProbe", rc);
    return rc;
}

int run(int argc, char** argv) {
    RunServices services;
    std::unique_ptr<CmdArgs> args(new (std::nothrow) CmdArgs(argc, argv, TOOL_FABRIC_PROBE));
    int rc = startUp(argc, argv, args.get(), services);

    // The agent hears of every job, also of one that could not start.
    const std::string jobFile = args ? createFabricJobFile(*args) : std::string();
    sendAgentStatus(args ? args->agentComFd : -1, rc == FABRIC_PROBE_SUCCESS ? "1" : "3");
    if (rc == FABRIC_PROBE_SUCCESS) rc = runJob(*args, jobFile);

    NATRACE(TR_EXIT, "Exit: %s, rc = %d\n", fn, rc);
    // The record holds the log and the trace: it goes once they are closed.
    services.shutDown();
    args.reset();
    return rc;
}

// A descriptor 0, 1 or 2 that the caller left closed would be taken by the first file the
// run opens, and the catalog message, a terminal note or the agent program's errors written
// into it.
void keepStandardDescriptorsTaken() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) close(opened);  // not the lowest free one: leave it
    }
}

}  // namespace

int main(int argc, char** argv) {
    keepStandardDescriptorsTaken();
    try {
        return run(argc, argv);
    } catch (const std::exception&) {
        // Only a failed allocation gets here; the services have been shut down on the way.
        return FABRIC_PROBE_FAILED;
    }
}

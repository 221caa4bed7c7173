// The other tools' keywords, kept so every tool reads one set of tables. Their
// handlers and validity matrices belong to those tools; here a row only names
// its keyword, and an option row says that a value follows.
#include "CmdTables.h"

const KeywordRow agentCmdTable[] = {
    {"copyfile", 0, nullptr, 0},
    {"dbmonitor", 1, nullptr, 0},
    {"deletefile", 2, nullptr, 0},
    {"encrypt", 3, nullptr, 0},
    {"exec", 4, nullptr, 0},
    {"fabricdiscovery", 5, nullptr, 0},
    {"fabricprobe", 6, nullptr, 0},
    {"getbinaryfile", 7, nullptr, 0},
    {"getfile", 8, nullptr, 0},
    {"getjobstatus", 9, nullptr, 0},
    {"getrunningjobs", 10, nullptr, 0},
    {"help", 11, nullptr, 0},
    {"install", 12, nullptr, 0},
    {"mkdir", 13, nullptr, 0},
    {"notify", 14, nullptr, 0},
    {"ping", 15, nullptr, 0},
    {"probe", 16, nullptr, 0},
    {"rmdir", 17, nullptr, 0},
    {"runprogram", 18, nullptr, 0},
    {"scan", 19, nullptr, 0},
    {"start", 20, nullptr, 0},
    {"stop", 21, nullptr, 0},
    {"stopjob", 22, nullptr, 0},
    {"testfile", 23, nullptr, 0},
    {"uninstall", 24, nullptr, 0},
    {"unzip", 25, nullptr, 0},
    {"upgrade", 26, nullptr, 0},
    {"version", 27, nullptr, 0},
    {"zip", 28, nullptr, 0},
    {"getMonitoredDBs", 29, nullptr, 0},
    {"migrateConfig", 30, nullptr, 0},
    {"migrateCheck", 31, nullptr, 0},
    {"bks", 32, nullptr, 0},
    {"sendMigrateStatus", 33, nullptr, 0},
    {"naimportquota", 34, nullptr, 0},
    {"naresolveids", 35, nullptr, 0},
    {"discovery", 36, nullptr, 0},
    {"pathPlanner", 37, nullptr, 0},
    {"getnlsfile", 38, nullptr, 0},
    {"putnlsfile", 39, nullptr, 0},
    {"gettime", 40, nullptr, 0},
    {"getguid", 41, nullptr, 0},
    {"getinstallloc", 42, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow agentOptionTable[] = {
    {"agentport", 0, nullptr, 1},
    {"certfile", 1, nullptr, 1},
    {"commtype", 2, nullptr, 1},
    {"dbRegister", 3, nullptr, 1},
    {"dbProbe", 4, nullptr, 1},
    {"dbScan", 5, nullptr, 1},
    {"deleteprogram", 6, nullptr, 1},
    {"exitcode", 7, nullptr, 1},
    {"files", 8, nullptr, 1},
    {"force", 9, nullptr, 1},
    {"hints", 10, nullptr, 1},
    {"installLoc", 11, nullptr, 1},
    {"debug", 12, nullptr, 1},
    {"jobid", 13, nullptr, 1},
    {"jobname", 14, nullptr, 1},
    {"jobrunnumber", 15, nullptr, 1},
    {"jobtype", 16, nullptr, 1},
    {"maxlogsize", 17, nullptr, 1},
    {"maxnumlogs", 18, nullptr, 1},
    {"maxnumruns", 19, nullptr, 1},
    {"maxnumdays", 20, nullptr, 1},
    {"nfstimeout", 21, nullptr, 1},
    {"daemon", 22, nullptr, 1},
    {"name", 23, nullptr, 1},
    {"naprobe", 24, nullptr, 1},
    {"naprobeonly", 25, nullptr, 1},
    {"nosancalls", 26, nullptr, 1},
    {"outputfile", 27, nullptr, 1},
    {"packages", 28, nullptr, 1},
    {"passphrase", 29, nullptr, 1},
    {"password", 30, nullptr, 1},
    {"probe", 31, nullptr, 1},
    {"remote", 32, nullptr, 1},
    {"scan", 33, nullptr, 1},
    {"serverip", 34, nullptr, 1},
    {"servername", 35, nullptr, 1},
    {"serverport", 36, nullptr, 1},
    {"sidrunnumber", 37, nullptr, 1},
    {"targetdir", 38, nullptr, 1},
    {"userid", 39, nullptr, 1},
    {"command", 40, nullptr, 1},
    {"fabrics", 41, nullptr, 1},
    {"jobtimestamp", 42, nullptr, 1},
    {"discoverrequestid", 43, nullptr, 1},
    {"devicejobid", 44, nullptr, 1},
    {"migration", 45, nullptr, 1},
    {"migrationConfigFile", 46, nullptr, 1},
    {"user", 47, nullptr, 1},
    {"domain", 48, nullptr, 1},
    {"passwd", 49, nullptr, 1},
    {"jobstarttimestamp", 50, nullptr, 1},
    {"jobendtimestamp", 51, nullptr, 1},
    {"migrationOptions", 52, nullptr, 1},
    {"duser", 53, nullptr, 1},
    {"dpassword", 54, nullptr, 1},
    {"uselog", 55, nullptr, 1},
    {"multipath", 56, nullptr, 1},
    {"initialFsScan", 57, nullptr, 1},
    {"jobargs", 58, nullptr, 1},
    {"fromScan", 59, nullptr, 1},
    {"debugfile", 60, nullptr, 1},
    {"savenonroot", 61, nullptr, 1},
    {"skipautofs", 62, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow dbmonitorCmdTable[] = {
    {"dbRegister", 0, nullptr, 0},
    {"dbProbe", 1, nullptr, 0},
    {"dbScan", 2, nullptr, 0},
    {"version", 3, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow dbmonitorOptionTable[] = {
    {"agentcom", 0, nullptr, 1},
    {"debug", 1, nullptr, 1},
    {"jobName", 2, nullptr, 1},
    {"jobRunNumber", 3, nullptr, 1},
    {"maxLogSize", 4, nullptr, 1},
    {"maxNumLogs", 5, nullptr, 1},
    {"maxNumRuns", 6, nullptr, 1},
    {"maxNumDays", 7, nullptr, 1},
    {"serverIP", 8, nullptr, 1},
    {"serverName", 9, nullptr, 1},
    {"serverPort", 10, nullptr, 1},
    {"sidrunnumber", 11, nullptr, 1},
    {"installLoc", 12, nullptr, 1},
    {"jobargs", 13, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow discoverCmdTable[] = {
    {"auth", 0, nullptr, 0},
    {"version", 1, nullptr, 0},
    {"addman", 2, nullptr, 0},
    {"full", 3, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow discoverOptionTable[] = {
    {"debug", 0, nullptr, 1},
    {"logname", 1, nullptr, 1},
    {"networkname", 2, nullptr, 1},
    {"username", 3, nullptr, 1},
    {"password", 4, nullptr, 1},
    {"authtype", 5, nullptr, 1},
    {"treename", 6, nullptr, 1},
    {"jobname", 7, nullptr, 1},
    {"jobrunnumber", 8, nullptr, 1},
    {"maxlogsize", 9, nullptr, 1},
    {"maxnumlogs", 10, nullptr, 1},
    {"maxnumruns", 11, nullptr, 1},
    {"maxnumdays", 12, nullptr, 1},
    {"serverip", 13, nullptr, 1},
    {"servername", 14, nullptr, 1},
    {"serverport", 15, nullptr, 1},
    {"sidrunnumber", 16, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow fdiscoveryCmdTable[] = {
    {"version", 0, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow fdiscoveryOptionTable[] = {
    {"debug", 0, nullptr, 1},
    {"logname", 1, nullptr, 1},
    {"maxlogsize", 2, nullptr, 1},
    {"maxnumlogs", 3, nullptr, 1},
    {"maxnumruns", 4, nullptr, 1},
    {"maxnumdays", 5, nullptr, 1},
    {"servername", 6, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow fzonecontrolCmdTable[] = {
    {"version", 0, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow fzonecontrolOptionTable[] = {
    {"agentcom", 0, nullptr, 1},
    {"debug", 1, nullptr, 1},
    {"fabric", 2, nullptr, 1},
    {"maxlogsize", 3, nullptr, 1},
    {"maxnumlogs", 4, nullptr, 1},
    {"maxnumruns", 5, nullptr, 1},
    {"maxnumdays", 6, nullptr, 1},
    {"servername", 7, nullptr, 1},
    {"serverip", 8, nullptr, 1},
    {"serverport", 9, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow hbainfoCmdTable[] = {
    {"version", 0, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow hbainfoOptionTable[] = {
    {"debug", 0, nullptr, 1},
    {"logname", 1, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow probeCmdTable[] = {
    {"probe", 0, nullptr, 0},
    {"version", 1, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow probeOptionTable[] = {
    {"agentcom", 0, nullptr, 1},
    {"debug", 1, nullptr, 1},
    {"jobname", 2, nullptr, 1},
    {"jobrunnumber", 3, nullptr, 1},
    {"maxlogsize", 4, nullptr, 1},
    {"maxnumlogs", 5, nullptr, 1},
    {"maxnumruns", 6, nullptr, 1},
    {"maxnumdays", 7, nullptr, 1},
    {"naprobe", 8, nullptr, 1},
    {"naprobeonly", 9, nullptr, 1},
    {"nosancalls", 10, nullptr, 1},
    {"serverip", 11, nullptr, 1},
    {"servername", 12, nullptr, 1},
    {"serverport", 13, nullptr, 1},
    {"sidrunnumber", 14, nullptr, 1},
    {"savenonroot", 15, nullptr, 1},
    {"skipautofs", 16, nullptr, 1},
    {"hostalias", 17, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow scanCmdTable[] = {
    {"scan", 0, nullptr, 0},
    {"version", 1, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow scanOptionTable[] = {
    {"agentcom", 0, nullptr, 1},
    {"debug", 1, nullptr, 1},
    {"jobname", 2, nullptr, 1},
    {"jobrunnumber", 3, nullptr, 1},
    {"maxlogsize", 4, nullptr, 1},
    {"maxnumlogs", 5, nullptr, 1},
    {"maxnumruns", 6, nullptr, 1},
    {"maxnumdays", 7, nullptr, 1},
    {"nfstimeout", 8, nullptr, 1},
    {"serverip", 9, nullptr, 1},
    {"servername", 10, nullptr, 1},
    {"serverport", 11, nullptr, 1},
    {"sidrunnumber", 12, nullptr, 1},
    {"profile", 13, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow nqautilCmdTable[] = {
    {"runprogram", 0, nullptr, 0},
    {"version", 1, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow nqautilOptionTable[] = {
    {"agentcom", 0, nullptr, 1},
    {"debug", 1, nullptr, 1},
    {"deleteProgram", 2, nullptr, 1},
    {"jobname", 3, nullptr, 1},
    {"jobrunnumber", 4, nullptr, 1},
    {"maxlogsize", 5, nullptr, 1},
    {"outputfile", 6, nullptr, 1},
    {"servername", 7, nullptr, 1},
    {"sidrunnumber", 8, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow migrationCmdTable[] = {
    {"migrate", 0, nullptr, 0},
    {"version", 1, nullptr, 0},
    {"help", 2, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow migrationOptionTable[] = {
    {"certfile", 0, nullptr, 1},
    {"commtype", 1, nullptr, 1},
    {"debug", 2, nullptr, 1},
    {"passphrase", 3, nullptr, 1},
    {"password", 4, nullptr, 1},
    {"serverip", 5, nullptr, 1},
    {"serverport", 6, nullptr, 1},
    {"userid", 7, nullptr, 1},
    {"novpd", 8, nullptr, 1},
    {"vpdonly", 9, nullptr, 1},
    {"duser", 10, nullptr, 1},
    {"dpassword", 11, nullptr, 1},
    {"migrationOptions", 12, nullptr, 1},
    {"force", 13, nullptr, 1},
    {"installloc", 14, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow nasfilerprobeCmdTable[] = {
    {"nasprobe", 0, nullptr, 0},
    {"naimportquota", 1, nullptr, 0},
    {"naresolveids", 2, nullptr, 0},
    {"version", 3, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow nasfilerprobeOptionTable[] = {
    {"agentcom", 0, nullptr, 1},
    {"debug", 1, nullptr, 1},
    {"jobName", 2, nullptr, 1},
    {"jobRunNumber", 3, nullptr, 1},
    {"maxLogSize", 4, nullptr, 1},
    {"maxNumLogs", 5, nullptr, 1},
    {"maxNumRuns", 6, nullptr, 1},
    {"maxNumDays", 7, nullptr, 1},
    {"naprobe", 8, nullptr, 1},
    {"naprobeonly", 9, nullptr, 1},
    {"serverIP", 10, nullptr, 1},
    {"serverName", 11, nullptr, 1},
    {"serverPort", 12, nullptr, 1},
    {"sidrunnumber", 13, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow bksCmdTable[] = {
    {"bkscmd", 0, nullptr, 0},
    {"version", 1, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow bksOptionTable[] = {
    {"debug", 0, nullptr, 1},
    {"maxlogsize", 1, nullptr, 1},
    {"maxnumlogs", 2, nullptr, 1},
    {"maxnumruns", 3, nullptr, 1},
    {"maxnumdays", 4, nullptr, 1},
    {"servername", 5, nullptr, 1},
    {"serverip", 6, nullptr, 1},
    {"serverport", 7, nullptr, 1},
    {"agentcom", 8, nullptr, 1},
    {"jobName", 9, nullptr, 1},
    {"jobRunNumber", 10, nullptr, 1},
    {"sidRunNumber", 11, nullptr, 1},
    {"user", 12, nullptr, 1},
    {"domain", 13, nullptr, 1},
    {"passwd", 14, nullptr, 1},
    {"fromScan", 15, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow pplannerCmdTable[] = {
    {"version", 0, nullptr, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow pplannerOptionTable[] = {
    {"debug", 0, nullptr, 1},
    {"maxlogsize", 1, nullptr, 1},
    {"maxnumlogs", 2, nullptr, 1},
    {"maxnumruns", 3, nullptr, 1},
    {"maxnumdays", 4, nullptr, 1},
    {"serverip", 5, nullptr, 1},
    {"servername", 6, nullptr, 1},
    {"serverport", 7, nullptr, 1},
    {"multipath", 8, nullptr, 1},
    {nullptr, 0, nullptr, 0},
};

ToolTables toolTables(int toolKind) {
    switch (toolKind) {
        case TOOL_AGENT: return {agentCmdTable, agentOptionTable};
        case TOOL_DBMONITOR: return {dbmonitorCmdTable, dbmonitorOptionTable};
        case TOOL_DISCOVERY: return {discoverCmdTable, discoverOptionTable};
        case TOOL_FABRIC_DISCOVERY: return {fdiscoveryCmdTable, fdiscoveryOptionTable};
        case TOOL_FABRIC_PROBE: return {fprobeCmdTable, fprobeOptionTable};
        case TOOL_FABRIC_ZONE_CONTROL: return {fzonecontrolCmdTable, fzonecontrolOptionTable};
        case TOOL_HBAINFO: return {hbainfoCmdTable, hbainfoOptionTable};
        case TOOL_PROBE: return {probeCmdTable, probeOptionTable};
        case TOOL_SCAN: return {scanCmdTable, scanOptionTable};
        case TOOL_NQAUTIL: return {nqautilCmdTable, nqautilOptionTable};
        case TOOL_MIGRATION: return {migrationCmdTable, migrationOptionTable};
        case TOOL_NASFILER_PROBE: return {nasfilerprobeCmdTable, nasfilerprobeOptionTable};
        case TOOL_BKS: return {bksCmdTable, bksOptionTable};
        case TOOL_PATH_PLANNER: return {pplannerCmdTable, pplannerOptionTable};
        default: return {nullptr, nullptr};
    }
}

int componentNumberOf(int toolKind) {
    switch (toolKind) {
        case TOOL_AGENT: return 0;
        case TOOL_DBMONITOR: return 6;
        case TOOL_DISCOVERY: return 5;
        case TOOL_FABRIC_DISCOVERY: return 3;
        case TOOL_FABRIC_PROBE: return 7;
        case TOOL_FABRIC_ZONE_CONTROL: return 8;
        case TOOL_HBAINFO: return 13;
        case TOOL_PROBE: return 1;
        case TOOL_SCAN: return 2;
        case TOOL_NQAUTIL: return 4;
        case TOOL_MIGRATION: return 14;
        case TOOL_NASFILER_PROBE: return 9;
        case TOOL_BKS: return 10;
        case TOOL_PATH_PLANNER: return 11;
        default: return -1;
    }
}

std::string componentName(int componentNumber, const std::string& nasCommand) {
    static const char* const names[] = {
        "agent",   "probe",     "scan",      "fabricdiscovery",   "nqautil",
        "discovery", "dbmonitor", "fabricprobe", "fabriczonecontrol", "naprobe",
        "bksdriver", "multipath", "notify",    "hbainfo",           "migration",
    };
    if (componentNumber == 9) {
        if (nasCommand == "naimportquota") return "netapp_quota";
        if (nasCommand == "naresolveids") return "netapp_resolveids";
        return "naprobe";
    }
    if (componentNumber < 0 || componentNumber >= static_cast<int>(sizeof names / sizeof names[0]))
        return std::string();
    return names[componentNumber];
}

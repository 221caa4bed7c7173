// Placeholder until log naming lands.
#include "LogUtil.h"

LogFileMap getMatchingFilesMap(const std::string&, const std::string&, const std::string&) { return {}; }
std::string getNextLogName(LogConfig&, const std::string&, const std::string& component,
                           const std::string& ext, bool) {
    return component + "_000001" + ext;
}
void purgeLogFiles(const LogConfig&, const LogFileMap&, bool) {}
std::string nameActivityLog(const std::string& installLoc, const std::string& serverName,
                            const std::string& component, const LogConfig&) {
    return installLoc + "/log/" + (serverName.empty() ? "" : serverName + "/") + component + "_000001.log";
}
std::string nameTraceFile(const std::string& logFile, const std::string&, const std::string& component,
                          int, const LogConfig&) {
    return logFile.substr(0, logFile.rfind('/')) + "/" + component + "_000001.trace";
}
std::string nameDataFile(const std::string& installLoc, const std::string& serverName,
                         const std::string& component) {
    return installLoc + "/output/" + (serverName.empty() ? "" : serverName + "/") + component + ".dat";
}

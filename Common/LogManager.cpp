#include "LogManager.h"

#include <unistd.h>

#include <cstring>
#include <optional>

#include "naTrace.h"
#include "nls/amsgrtrv.h"
#include "ut/logutils.h"

struct LogManager::Record {
    LogFileRecord file;
};

LogManager* naLog = nullptr;

namespace {
// The identifier over the head of the text, unless it ends in "T".
void stampInPlace(std::string& text, const char* msgId) {
    if (!msgId || !*msgId) return;
    const std::size_t idLen = std::strlen(msgId);
    if (msgId[idLen - 1] == 'T') return;
    text.replace(0, idLen < text.size() ? idLen : text.size(), msgId, idLen);
}
}  // namespace

std::string stampMessageId(const std::string& text, const char* msgId) {
    std::string stamped = text;
    stampInPlace(stamped, msgId);
    return stamped;
}

LogManager::LogManager(const std::string& logName) : m_LogName(logName), record_(std::make_unique<Record>()) {}

LogManager::~LogManager() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (record_ && record_->file.fd >= 0) CloseLogFile(record_->file.fd);
}

unsigned LogManager::LogActivityLog(const char* text) {
    static const char fn[] = "LogActivityLog";
    if (!text) text = "";
    NATRACE(TR_ENTER, "Enter %s, msgBuf : %.4604s\n", fn, text);
    std::lock_guard<std::mutex> lock(mutex_);
    if (m_LogName.empty()) {
        NATRACE(TR_EXIT, "Exit %s, m_LogName not defined.\n", fn);
        return 11;
    }
    LogFileRecord& file = record_->file;
    file.name = m_LogName;
    file.maxSize = 0;
    file.retentionDays = 0;
    file.unicode = false;
    if (logOpen(file) != 0) {
        NATRACE(TR_EXIT, "Exit: %s, could not open %s.\n", fn, m_LogName.c_str());
        return 9;
    }
    logWriteLine(file, text);
    CloseLogFile(file.fd);
    file.fd = -1;
    file.open = false;
    NATRACE(TR_EXIT, "Exit %s\n", fn);
    return 0;
}

unsigned LogManager::logBuilt(std::string* text, const char* msgId) {
    if (!text || text->empty() || !msgId || !*msgId) return 0;
    stampInPlace(*text, msgId);  // the text is the caller's own copy
    return LogActivityLog(text->c_str());
}

unsigned LogManager::LogMessageV(unsigned msgNum, const char* msgId, va_list inserts) {
    auto message = nlGetMessageTextV(msgNum, inserts);
    return logBuilt(message ? &message->text : nullptr, msgId);
}

unsigned LogManager::LogMessage(unsigned msgNum, const char* msgId, ...) {
    va_list inserts;
    va_start(inserts, msgId);
    unsigned rc = LogMessageV(msgNum, msgId, inserts);
    va_end(inserts);
    return rc;
}

unsigned LogManager::LogMessageArgs(unsigned msgNum, const char* msgId, const std::vector<MsgArg>& inserts) {
    auto message = nlGetMessageTextArgs(msgNum, inserts);
    return logBuilt(message ? &message->text : nullptr, msgId);
}

unsigned LogManager::PrintMessage(unsigned msgNum, const char* msgId, ...) {
    va_list inserts;
    va_start(inserts, msgId);
    auto message = nlGetMessageTextV(msgNum, inserts);
    va_end(inserts);
    if (message && !message->text.empty() && msgId && *msgId) {
        const std::string text = stampMessageId(message->text, msgId);
        std::fputs(text.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    return 0;
}

unsigned LogManager::CloseLogFile(int fd) {
    static const char fn[] = "CloseLogFile";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    // Lines are written unbuffered: nothing is left to flush.
    if (fd >= 0 && ::close(fd) != 0) return 10;
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return 0;
}

void LogManager::SetLogName(const std::string& newName) {
    std::lock_guard<std::mutex> lock(mutex_);
    NATRACE(TR_MAX, "Changing log from %s to %s\n", naTraceText(m_LogName).c_str(), naTraceText(newName).c_str());
    m_LogName = newName;
}

std::string LogManager::logName() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return m_LogName;
}

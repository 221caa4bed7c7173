// The activity log: numbered, time-stamped catalog messages, one line per call.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "nls/amsgtext.h"

class LogManager {
public:
    explicit LogManager(const std::string& logName);
    ~LogManager();
    LogManager(const LogManager&) = delete;
    LogManager& operator=(const LogManager&) = delete;

    // 0 written, 9 the file cannot be opened, 11 no log name.
    unsigned LogActivityLog(const char* text);
    // Catalog message with inserts, its identifier over the text's head.
    unsigned LogMessage(unsigned msgNum, const char* msgId, ...);
    unsigned LogMessageV(unsigned msgNum, const char* msgId, va_list inserts);
    // The same with inserts already taken from the caller's list.
    unsigned LogMessageArgs(unsigned msgNum, const char* msgId, const std::vector<MsgArg>& inserts);
    // The same message on standard output instead of the log; returns 0.
    unsigned PrintMessage(unsigned msgNum, const char* msgId, ...);
    // Closes the log's descriptor: 0, or 10 when closing fails.
    unsigned CloseLogFile(int fd);
    void SetLogName(const std::string& newName);
    std::string logName() const;

private:
    struct Record;
    unsigned logBuilt(std::string* text, const char* msgId);
    std::string m_LogName;
    std::unique_ptr<Record> record_;
    mutable std::mutex mutex_;
};

// The program's one activity log, created by main.
extern LogManager* naLog;

// Puts the identifier over the head of a catalog text, unless it ends in "T".
std::string stampMessageId(const std::string& text, const char* msgId);

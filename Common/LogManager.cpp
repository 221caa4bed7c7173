// Placeholder until the activity log lands.
#include "LogManager.h"

struct LogManager::Record {};

LogManager* naLog = nullptr;

LogManager::LogManager(const std::string& logName) : m_LogName(logName) {}
LogManager::~LogManager() = default;
unsigned LogManager::LogActivityLog(const char*) { return 0; }
unsigned LogManager::LogMessage(unsigned, const char*, ...) { return 0; }
unsigned LogManager::LogMessageV(unsigned, const char*, va_list) { return 0; }
unsigned LogManager::PrintMessage(unsigned, const char*, ...) { return 0; }
unsigned LogManager::CloseLogFile(FILE* stream) { return stream && fclose(stream) != 0 ? 10 : 0; }
void LogManager::SetLogName(const std::string& newName) { m_LogName = newName; }
std::string LogManager::logName() const { return m_LogName; }

#include "amsglog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "../ut/filemodes.h"
#include "../ut/logutils.h"
#include "../ut/trace.h"
#include "amsgrtrv.h"
#include "amsgtime.h"

namespace {

void toStandardOutput(const char* text) {
    const std::size_t len = std::strlen(text);
    std::fputs(text, stdout);
    if (len == 0 || text[len - 1] != '\n') std::fputc('\n', stdout);
    std::fflush(stdout);
}

NlOutputRoutine routines[9] = {toStandardOutput, toStandardOutput, toStandardOutput,
                               toStandardOutput, toStandardOutput, toStandardOutput,
                               toStandardOutput, toStandardOutput, toStandardOutput};

constexpr unsigned kErrorSlot = 6;

}  // namespace

void nlSetOutputRoutine(unsigned slot, NlOutputRoutine routine) {
    if (slot < 9) routines[slot] = routine ? routine : toStandardOutput;
}

void nlAppendErrorLog(const char* text) {
    const std::string path = nlErrorLogPath();
    if (path.empty() || !text) return;
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kPrivateFileMode);
    if (fd < 0) return;
    const NlDateTime now = nlDateTimeNow();
    std::string line = std::string(now.date) + " " + now.time + " " + text;
    if (line.back() != '\n') line += '\n';
    ssize_t ignored = ::write(fd, line.data(), line.size());
    (void)ignored;
    // Every run's reports meet here, before and after its own log is named.
    logBoundSize(path, fd, kDefaultMaxLogKilobytes);
    ::close(fd);
}

void nlReport(const char* text) {
    if (!text) return;
    routines[kErrorSlot](text);
    TR_LIB(TR_NLS, "%s", text);
    nlAppendErrorLog(text);
}

void nlPrintMessage(unsigned number, ...) {
    va_list ap;
    va_start(ap, number);
    auto message = nlGetMessageTextV(number, ap);
    va_end(ap);
    if (!message) return;
    const unsigned slot = message->severity < 9 ? message->severity : kErrorSlot;
    routines[slot](message->text.c_str());
    if (message->severity > 4) nlAppendErrorLog(message->text.c_str());
}

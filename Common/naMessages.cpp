#include "naMessages.h"

#include <cstdarg>
#include <vector>

#include "LogManager.h"

void naLogMessage(CatalogMessage message, ...) {
    if (!naLog) return;
    va_list inserts;
    va_start(inserts, message);
    if (!message.inserts) {
        naLog->LogMessageV(message.number, message.id, inserts);
    } else {
        std::vector<MsgArg> args;
        for (const char* k = message.inserts; *k; ++k)
            args.push_back(*k == 'd' ? MsgArg::ofInt(va_arg(inserts, int)) : MsgArg::ofStr(va_arg(inserts, const char*)));
        naLog->LogMessageArgs(message.number, message.id, args);
    }
    va_end(inserts);
}

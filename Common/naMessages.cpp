#include "naMessages.h"

#include <cstdarg>

#include "LogManager.h"

void naLogMessage(CatalogMessage message, ...) {
    if (!naLog) return;
    va_list inserts;
    va_start(inserts, message);
    naLog->LogMessageV(message.number, message.id, inserts);
    va_end(inserts);
}

#include "DiscoveryTrace.h"

#include "naTrace.h"

void traceDroppedEntries(const char* command, const ListCount& count) {
    if (count.usable < count.declared)
        NATRACE(TR_MIN, "%s count %u exceeds the %u entries its response holds; the rest is ignored\n",
                command, static_cast<unsigned>(count.declared), static_cast<unsigned>(count.usable));
}

ListCount readListCount(ByteSpan response, std::size_t entrySize, const char* countLine, const char* command) {
    const ListCount count = decodeListCount(response, entrySize);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    NATRACE(TR_MIN, countLine, static_cast<int>(count.declared));
#pragma GCC diagnostic pop
    traceDroppedEntries(command, count);
    return count;
}

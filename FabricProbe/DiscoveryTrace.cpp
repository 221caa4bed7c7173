#include "DiscoveryTrace.h"

#include "naTrace.h"

void traceDroppedEntries(const char* command, const ListCount& count) {
    if (count.usable < count.declared)
        NATRACE(TR_MIN, "%s count %u exceeds the %u entries its response holds; the rest is ignored\n",
                command, static_cast<unsigned>(count.declared), static_cast<unsigned>(count.usable));
}

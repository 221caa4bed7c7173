// Placeholder until the trace facility lands: every class stays off.
#include "naTrace.h"

unsigned char TR_ENTER = 0, TR_EXIT = 0, TR_MIN = 0, TR_MID = 0, TR_MAX = 0;
unsigned char TR_PREFIX = 0, TR_TIMESTAMP = 0, TR_PID = 0, TR_TID = 0;

void naTrace(TraceLocation, unsigned char, const char*, ...) {}
int naInitTrace(const std::string&, const std::string&, int) { return 0; }
void naEndTrace() {}
std::string naTraceText(const std::string& text) {
    if (text.empty()) return "<NULL>";
    return text.substr(0, 4604);
}

// The one seam for sleeping and reading the clock, so tests need not wait.
#pragma once

#include <ctime>

void psSleep(unsigned seconds);
std::time_t psTimeNow();

// Test hook: replaces both calls; nullptr members (or a null seam) mean the real ones.
struct ClockSeam {
    void (*sleep)(unsigned seconds);
    std::time_t (*now)();
};
void psSetClockSeam(const ClockSeam* seam);

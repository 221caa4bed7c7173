#include "psclock.h"

#include <unistd.h>

namespace {
const ClockSeam* activeSeam = nullptr;
}

void psSleep(unsigned seconds) {
    if (activeSeam && activeSeam->sleep) {
        activeSeam->sleep(seconds);
        return;
    }
    // sleep() may return early on a signal; the probe's pauses are best effort.
    ::sleep(seconds);
}

std::time_t psTimeNow() {
    if (activeSeam && activeSeam->now) return activeSeam->now();
    return std::time(nullptr);
}

void psSetClockSeam(const ClockSeam* seam) { activeSeam = seam; }

// Date and time texts of log and trace lines: "%Y-%m-%d" and "%H:%M:%S", local time.
#pragma once

#include <cstdint>

struct NlDateTime {
    char date[32];
    char time[32];
    unsigned long millis;
};

NlDateTime nlFormatDateTime(std::int64_t seconds, long microseconds);
NlDateTime nlDateTimeNow();

// For a writer of many lines: the texts of the last second seen, so that the
// date and time are formatted once per second, not once per line.
struct NlStampCache {
    std::int64_t second = INT64_MIN;
    NlDateTime text{};
};
const NlDateTime& nlDateTimeNow(NlStampCache& cache);

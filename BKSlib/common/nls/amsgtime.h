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

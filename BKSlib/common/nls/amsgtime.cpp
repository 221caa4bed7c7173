#include "amsgtime.h"

#include <sys/time.h>

#include <ctime>

NlDateTime nlFormatDateTime(std::int64_t seconds, long microseconds) {
    NlDateTime out{};
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tmv{};
    if (!localtime_r(&t, &tmv)) tmv = std::tm{};
    if (std::strftime(out.date, sizeof out.date, "%Y-%m-%d", &tmv) == 0) out.date[0] = '\0';
    if (std::strftime(out.time, sizeof out.time, "%H:%M:%S", &tmv) == 0) out.time[0] = '\0';
    out.millis = microseconds < 0 ? 0UL : static_cast<unsigned long>(microseconds / 1000) % 1000UL;
    return out;
}

NlDateTime nlDateTimeNow() {
    struct timeval tv {};
    ::gettimeofday(&tv, nullptr);
    return nlFormatDateTime(static_cast<std::int64_t>(tv.tv_sec), static_cast<long>(tv.tv_usec));
}

const NlDateTime& nlDateTimeNow(NlStampCache& cache) {
    struct timeval tv {};
    ::gettimeofday(&tv, nullptr);
    const std::int64_t second = static_cast<std::int64_t>(tv.tv_sec);
    if (second != cache.second) {
        cache.text = nlFormatDateTime(second, static_cast<long>(tv.tv_usec));
        cache.second = second;
    }
    cache.text.millis = static_cast<unsigned long>(tv.tv_usec / 1000) % 1000UL;
    return cache.text;
}

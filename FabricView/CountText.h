// A count with its noun: "1 port", "3 ports".
#pragma once

#include <cstdint>
#include <string>

inline std::string plural(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// FABRICSIM_LOG: one line per pass-through call, appended.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "Hex.h"

namespace fabricsim {

struct CallRecord {
    struct timespec at {};
    std::uint32_t handle = 0;
    std::optional<Wwn> port;
    int version = 2;                // 1, 2, or 0 for the kernel's bsg interface ("bsg")
    std::string command;            // command name, "-" when the request is unreadable
    std::optional<std::string> key; // none for commands without a key
    std::string result;             // ACC, RJT rr ee, FAIL s, RAW; kernel mode also ERRNO n
};

std::string formatCallRecord(const CallRecord& record);
std::string rejectResult(std::uint8_t reason, std::uint8_t explanation);
std::string failResult(std::uint32_t status);
std::string errnoResult(int error);  // kernel mode: the request failed with this errno

class CallLog {
public:
    explicit CallLog(std::string path) : path_(std::move(path)) {}
    // Each line goes out in one append, so runs sharing a log do not tear lines.
    void write(const CallRecord& record);

private:
    std::string path_;
    bool warned_ = false;
};

}  // namespace fabricsim

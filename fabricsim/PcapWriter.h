// FABRICSIM_PCAP: every request and response as a Fibre Channel FC-2 frame (link type 224).
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace fabricsim {

constexpr std::uint32_t kLinkTypeFc2 = 224;
constexpr std::size_t kFcHeaderSize = 24;

struct FcFrame {
    std::uint8_t rCtl = 0;
    std::uint32_t dId = 0;
    std::uint32_t sId = 0;
    std::uint32_t fCtl = 0;
    std::uint16_t oxId = 0;
    std::uint16_t rxId = 0xFFFF;
};

// The 24-byte frame header (TYPE 0x20, FC-CT) followed by the payload.
std::vector<std::uint8_t> buildFcFrame(const FcFrame& header, const std::uint8_t* payload, std::size_t size);

class PcapWriter {
public:
    // Appends to an existing capture of the same link type; null (and a reason) when that cannot be done.
    static std::unique_ptr<PcapWriter> open(const std::string& path, std::string& error);
    ~PcapWriter();
    PcapWriter(const PcapWriter&) = delete;
    PcapWriter& operator=(const PcapWriter&) = delete;

    void write(const struct timespec& at, const std::vector<std::uint8_t>& frame);

private:
    explicit PcapWriter(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace fabricsim

#include "PcapWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fabricsim {
namespace {

constexpr std::uint32_t kMagic = 0xA1B2C3D4;  // microsecond timestamps
constexpr std::uint32_t kSnapLength = 262144;

void le32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t readLe32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

bool writeAll(int fd, const std::vector<std::uint8_t>& data) {
    const std::uint8_t* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

void put24(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 16);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v);
}

}  // namespace

std::vector<std::uint8_t> buildFcFrame(const FcFrame& header, const std::uint8_t* payload, std::size_t size) {
    std::vector<std::uint8_t> frame(kFcHeaderSize + size, 0);
    std::uint8_t* h = frame.data();
    h[0] = header.rCtl;
    put24(h + 1, header.dId);
    put24(h + 5, header.sId);
    h[8] = 0x20;  // FC-CT
    put24(h + 9, header.fCtl);
    h[16] = static_cast<std::uint8_t>(header.oxId >> 8);
    h[17] = static_cast<std::uint8_t>(header.oxId);
    h[18] = static_cast<std::uint8_t>(header.rxId >> 8);
    h[19] = static_cast<std::uint8_t>(header.rxId);
    if (size > 0) std::memcpy(h + kFcHeaderSize, payload, size);
    return frame;
}

std::unique_ptr<PcapWriter> PcapWriter::open(const std::string& path, std::string& error) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    if (st.st_size == 0) {
        std::vector<std::uint8_t> header;
        le32(header, kMagic);
        header.push_back(2);  // version 2.4
        header.push_back(0);
        header.push_back(4);
        header.push_back(0);
        le32(header, 0);  // time zone
        le32(header, 0);  // accuracy
        le32(header, kSnapLength);
        le32(header, kLinkTypeFc2);
        if (!writeAll(fd, header)) {
            error = std::strerror(errno);
            ::close(fd);
            return nullptr;
        }
    } else {
        std::uint8_t header[24];
        if (::pread(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header) || readLe32(header) != kMagic ||
            readLe32(header + 20) != kLinkTypeFc2) {
            error = "not empty and not a capture of FC-2 frames by this simulator";
            ::close(fd);
            return nullptr;
        }
    }
    return std::unique_ptr<PcapWriter>(new PcapWriter(fd));
}

PcapWriter::~PcapWriter() { ::close(fd_); }

void PcapWriter::write(const struct timespec& at, const std::vector<std::uint8_t>& frame) {
    const std::uint32_t captured = frame.size() > kSnapLength ? kSnapLength : static_cast<std::uint32_t>(frame.size());
    std::vector<std::uint8_t> record;
    record.reserve(16 + captured);
    le32(record, static_cast<std::uint32_t>(at.tv_sec));
    le32(record, static_cast<std::uint32_t>(at.tv_nsec / 1000));
    le32(record, captured);
    le32(record, static_cast<std::uint32_t>(frame.size()));
    record.insert(record.end(), frame.begin(), frame.begin() + captured);
    writeAll(fd_, record);  // one write per record keeps concurrent writers' records whole
}

}  // namespace fabricsim

#include "SysfsAttribute.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
int hexValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "0x" and 1 to maxDigits hexadecimal digits, an optional line feed.
bool decodeHexAttribute(ByteSpan text, std::size_t maxDigits, std::uint64_t& value) {
    std::size_t size = text.size;
    if (size > 0 && text.data[size - 1] == '\n') --size;
    if (size < 3 || size > 2 + maxDigits || text.data[0] != '0' || (text.data[1] != 'x' && text.data[1] != 'X'))
        return false;
    value = 0;
    for (std::size_t i = 2; i < size; ++i) {
        const int digit = hexValue(text.data[i]);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    return true;
}
}  // namespace

bool readSysfsAttribute(const std::string& path, SysfsText& text) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    const ssize_t got = ::read(fd, text.bytes, sizeof text.bytes);
    ::close(fd);
    if (got < 0 || static_cast<std::size_t>(got) > SysfsText::kMax) return false;
    text.length = static_cast<std::size_t>(got);
    text.bytes[text.length] = '\0';
    return true;
}

bool decodeWwnAttribute(ByteSpan text, Wwn& wwn) {
    std::uint64_t value = 0;
    if (!decodeHexAttribute(text, 16, value)) return false;
    for (int i = 7; i >= 0; --i, value >>= 8) wwn.bytes[i] = static_cast<std::uint8_t>(value & 0xFF);
    return true;
}

bool decodePortIdAttribute(ByteSpan text, std::uint32_t& id) {
    std::uint64_t value = 0;
    if (!decodeHexAttribute(text, 6, value)) return false;
    id = static_cast<std::uint32_t>(value);
    return true;
}

bool decodeTextAttribute(ByteSpan text, std::string& value) {
    std::size_t size = text.size;
    if (size > 0 && text.data[size - 1] == '\n') --size;
    if (size == 0) return false;
    for (std::size_t i = 0; i < size; ++i)
        if (text.data[i] < 0x20 || text.data[i] > 0x7E) return false;
    value.assign(reinterpret_cast<const char*>(text.data), size);
    return true;
}

#include "FcHostLookup.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "naTrace.h"

namespace {
constexpr std::size_t kAttributeMax = 64;  // a WWN attribute is 19 bytes; more is garbage

int hexValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// N of a "host<N>" entry; false for any other name.
bool hostNumberOf(const char* name, unsigned& number) {
    if (std::strncmp(name, "host", 4) != 0 || name[4] < '0' || name[4] > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(name + 4, &end, 10);
    if (errno != 0 || *end != '\0' || value > 0xFFFFFFu) return false;
    number = static_cast<unsigned>(value);
    return true;
}

// The attribute file's bytes, at most kAttributeMax of them; false when it cannot be read.
// An attribute is a regular file: a FIFO or device planted in a tree is refused
// without waiting for a writer (O_NONBLOCK) or reading from it.
bool readAttribute(const std::string& path, char (&text)[kAttributeMax + 1], std::size_t& length) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    const ssize_t got = ::read(fd, text, sizeof text);
    ::close(fd);
    if (got < 0) return false;
    length = static_cast<std::size_t>(got);
    return true;
}
}  // namespace

bool decodeWwnAttribute(ByteSpan text, Wwn& wwn) {
    std::size_t size = text.size;
    if (size > 0 && text.data[size - 1] == '\n') --size;
    if (size < 3 || size > 18 || text.data[0] != '0' || (text.data[1] != 'x' && text.data[1] != 'X')) return false;
    std::uint64_t value = 0;
    for (std::size_t i = 2; i < size; ++i) {
        const int digit = hexValue(text.data[i]);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    for (int i = 7; i >= 0; --i, value >>= 8) wwn.bytes[i] = static_cast<std::uint8_t>(value & 0xFF);
    return true;
}

bool findFcHost(const std::string& classDir, const Wwn& portWwn, unsigned& hostNumber) {
    DIR* dir = ::opendir(classDir.c_str());
    if (dir == nullptr) return false;  // no kernel FC transport on this host
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        unsigned number = 0;
        if (!hostNumberOf(entry->d_name, number)) continue;
        const std::string path = classDir + "/" + entry->d_name + "/port_name";
        char text[kAttributeMax + 1];
        std::size_t length = 0;
        Wwn wwn{};
        if (!readAttribute(path, text, length) || length > kAttributeMax ||
            !decodeWwnAttribute(ByteSpan{reinterpret_cast<const std::uint8_t*>(text), length}, wwn)) {
            NATRACE(TR_MIN, "fc_host %s has no readable port_name; passed over\n", entry->d_name);
            continue;
        }
        if (std::memcmp(wwn.bytes, portWwn.bytes, sizeof wwn.bytes) == 0) {
            hostNumber = number;
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

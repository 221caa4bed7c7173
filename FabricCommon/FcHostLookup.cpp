#include "FcHostLookup.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "naTrace.h"

namespace {
// N of a "<prefix><N>" entry; false for any other name.
bool numberAfter(const char* name, const char* prefix, unsigned& number) {
    const std::size_t length = std::strlen(prefix);
    if (std::strncmp(name, prefix, length) != 0 || name[length] < '0' || name[length] > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(name + length, &end, 10);
    if (errno != 0 || *end != '\0' || value > 0xFFFFFFu) return false;
    number = static_cast<unsigned>(value);
    return true;
}

bool readWwn(const std::string& path, Wwn& wwn) {
    SysfsText text;
    return readSysfsAttribute(path, text) && decodeWwnAttribute(text.span(), wwn);
}

bool readText(const std::string& path, std::string& value) {
    SysfsText text;
    return readSysfsAttribute(path, text) && decodeTextAttribute(text.span(), value);
}

bool readPortId(const std::string& path, std::uint32_t& id) {
    SysfsText text;
    return readSysfsAttribute(path, text) && decodePortIdAttribute(text.span(), id);
}
}  // namespace

std::vector<unsigned> fcHostNumbers(const SysfsPaths& paths) {
    std::vector<unsigned> numbers;
    DIR* dir = ::opendir((paths.classDir + "/fc_host").c_str());
    if (dir == nullptr) return numbers;  // no kernel FC transport on this host
    while (const dirent* entry = ::readdir(dir)) {
        unsigned number = 0;
        if (numberAfter(entry->d_name, "host", number)) numbers.push_back(number);
    }
    ::closedir(dir);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

bool readFcHostPort(const SysfsPaths& paths, unsigned number, FcHostPort& port) {
    const std::string dir = paths.fcHost(number);
    port = FcHostPort{};
    port.number = number;
    if (!readWwn(dir + "/port_name", port.portName)) {
        NATRACE(TR_MIN, "fc_host host%u has no readable port_name; passed over\n", number);
        return false;
    }
    readWwn(dir + "/node_name", port.nodeName);
    port.portIdRead = readPortId(dir + "/port_id", port.portId);
    readText(dir + "/port_state", port.state);
    return true;
}

bool findFcHost(const SysfsPaths& paths, const Wwn& portWwn, unsigned& hostNumber) {
    for (const unsigned number : fcHostNumbers(paths)) {
        Wwn wwn{};
        if (!readWwn(paths.fcHost(number) + "/port_name", wwn)) {
            NATRACE(TR_MIN, "fc_host host%u has no readable port_name; passed over\n", number);
            continue;
        }
        if (std::memcmp(wwn.bytes, portWwn.bytes, sizeof wwn.bytes) == 0) {
            hostNumber = number;
            return true;
        }
    }
    return false;
}

std::string onlineRport(const SysfsPaths& paths, unsigned host, std::uint32_t portId) {
    const std::string classDir = paths.classDir + "/fc_remote_ports";
    const std::string prefix = "rport-" + std::to_string(host) + ":";
    DIR* dir = ::opendir(classDir.c_str());
    if (dir == nullptr) return std::string();
    std::string found;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) != 0) continue;
        const std::string rport = classDir + "/" + entry->d_name;
        std::uint32_t id = 0;
        std::string state;
        if (readPortId(rport + "/port_id", id) && id == portId && readText(rport + "/port_state", state) &&
            state == "Online") {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

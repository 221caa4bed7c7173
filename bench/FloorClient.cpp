// The floor of a probe run: sends exactly the requests a probe sent, as the
// simulator's call log recorded them, through the real SNIA library and the same
// simulator, with the probe's buffer sizes, and does nothing else with the answers.
//
// Usage: bench-floor CALL_LOG [OUTPUT LOG]   (run under fabricsim-run with the probe's model)
// Prints "requests=N failed=M send_cpu_us=C" on standard output, C being the CPU
// time of the sending loop alone (the simulator answering, the SNIA library
// passing the call through, and the reading of the script).
// With OUTPUT and LOG it then does the least the activity log's copy of the
// output file allows: one stamped line per output line appended to LOG, each
// with its own open, write and close (the designed-work floor of a whole run),
// and adds "copy_floor_cpu_us=C".

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

// hbaapi.h uses struct tm without including its header.
#include <ctime>

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <hbaapi.h>

#include "BenchClock.h"
#include "GsPreambles.h"

namespace {

enum class Key { None, Wwn, Fcid, PlatformName, ZoneSetName };

struct Command {
    const char* name;
    const std::uint8_t* preamble;
    Key key;
    std::uint32_t responseSize;  // the probe's buffer for this command
};

const Command kCommands[] = {
    {"GIEL", GIEL_PREAMBLE, Key::None, 3996},      {"GFN", GFN_PREAMBLE, Key::Wwn, 24},
    {"GDID", GDID_PREAMBLE, Key::Wwn, 20},         {"GMID", GMID_PREAMBLE, Key::Wwn, 20},
    {"GIELN", GIELN_PREAMBLE, Key::Wwn, 272},      {"GIEIL", GIEIL_PREAMBLE, Key::Wwn, 272},
    {"GMAL", GMAL_PREAMBLE, Key::Wwn, 8212},       {"GPL", GPL_PREAMBLE, Key::Wwn, 8212},
    {"GPPN", GPPN_PREAMBLE, Key::Wwn, 20},         {"GAPNL", GAPNL_PREAMBLE, Key::Wwn, 1044},
    {"GPS", GPS_PREAMBLE, Key::Wwn, 24},           {"GPNL", GPNL_PREAMBLE, Key::None, 8212},
    {"GPLT", GPLT_PREAMBLE, Key::PlatformName, 20}, {"GPLML", GPLML_PREAMBLE, Key::PlatformName, 8212},
    {"GPLNL", GPLNL_PREAMBLE, Key::PlatformName, 8212}, {"GID_PN", GID_PN_PREAMBLE, Key::Wwn, 20},
    {"GNN_ID", GNN_ID_PREAMBLE, Key::Fcid, 24},    {"GZC", GZC_PREAMBLE, Key::None, 224},
    {"GZSN", GZSN_PREAMBLE, Key::None, 32000},     {"GAZS", GAZS_PREAMBLE, Key::None, 256000},
    {"GZS", GZS_PREAMBLE, Key::ZoneSetName, 256000},
};
constexpr std::uint32_t kLargestResponse = 256000;

const Command* findCommand(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool hexBytes(const std::string& text, std::size_t count, std::uint8_t* out) {
    if (text.size() != 2 * count) return false;
    for (std::size_t i = 0; i < count; ++i) {
        const int hi = hexDigit(text[2 * i]), lo = hexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return true;
}

// The call log writes bytes outside printable ASCII (and the backslash) as \xNN.
std::string unescape(const std::string& key) {
    std::string out;
    for (std::size_t i = 0; i < key.size(); ++i) {
        std::uint8_t byte = 0;
        if (key[i] == '\\' && i + 3 < key.size() && key[i + 1] == 'x' && hexBytes(key.substr(i + 2, 2), 1, &byte)) {
            out += static_cast<char>(byte);
            i += 3;
        } else {
            out += key[i];
        }
    }
    return out;
}

// One logged call, made ready to send.
struct Call {
    HBA_UINT32 adapterIndex = 0;
    bool v2 = true;
    HBA_WWN port{};
    std::vector<std::uint8_t> request;
    std::uint32_t responseSize = 0;
};

bool buildRequest(const Command& command, const std::string& keyText, Call& call) {
    std::vector<std::uint8_t>& r = call.request;
    r.assign(command.preamble, command.preamble + 16);
    const std::string key = unescape(keyText);
    switch (command.key) {
        case Key::None:
            break;
        case Key::Wwn:
            r.resize(24);
            if (!hexBytes(key, 8, &r[16])) return false;
            break;
        case Key::Fcid:
            r.resize(20);
            if (!hexBytes(key, 3, &r[17])) return false;
            break;
        case Key::PlatformName:  // the 256-byte name entry
            if (key.size() > 255) return false;
            r.resize(16 + 256);
            r[16] = static_cast<std::uint8_t>(key.size());
            std::memcpy(&r[17], key.data(), key.size());
            break;
        case Key::ZoneSetName:  // length, 3 reserved bytes, the name padded to 4
            if (key.size() > 255) return false;
            r.resize(16 + 4 + key.size() + (4 - key.size() % 4) % 4);
            r[16] = static_cast<std::uint8_t>(key.size());
            std::memcpy(&r[20], key.data(), key.size());
            break;
    }
    const std::uint32_t words = (command.responseSize - 16) / 4;
    r[10] = static_cast<std::uint8_t>(words >> 8);
    r[11] = static_cast<std::uint8_t>(words);
    call.responseSize = command.responseSize;
    return true;
}

// The value of " name=" in a call log line, up to the next blank; empty when absent.
std::string fieldOf(const char* line, const char* name) {
    const std::string tag = std::string(" ") + name + "=";
    const char* at = std::strstr(line, tag.c_str());
    if (!at) return std::string();
    at += tag.size();
    return std::string(at, std::strcspn(at, " \n"));
}

// "<time> handle=<n> port=<wwn> v=<1|2> cmd=<NAME> key=<key> result=..."
bool parseLine(const char* line, Call& call) {
    const Command* command = findCommand(fieldOf(line, "cmd"));
    const long handle = std::strtol(fieldOf(line, "handle").c_str(), nullptr, 10);
    if (!command || handle < 1) return false;
    call.adapterIndex = static_cast<HBA_UINT32>(handle - 1);  // the simulator's handles are index + 1
    call.v2 = fieldOf(line, "v") == "2";
    if (call.v2 && !hexBytes(fieldOf(line, "port"), 8, call.port.wwn)) return false;
    const std::string key = fieldOf(line, "key");
    return buildRequest(*command, key == "-" ? std::string() : key, call);
}

// One "<date> <time>.<ms> AGT0426I <line>" per line of output, each appended
// with its own open, write and close; the date and time formatted once per second.
double copyFloor(const char* output, const char* log) {
    std::FILE* in = std::fopen(output, "r");
    if (!in) return -1;
    const double cpuBefore = cpuMicros();
    char piece[1000], line[1100], stamp[32] = "";
    time_t second = -1;
    while (std::fgets(piece, sizeof piece, in)) {
        timeval now{};
        gettimeofday(&now, nullptr);
        if (now.tv_sec != second) {
            second = now.tv_sec;
            tm local{};
            localtime_r(&second, &local);
            std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
        }
        const std::size_t len = std::strlen(piece);
        const int n = std::snprintf(line, sizeof line, "%s.%03ld AGT0426I %s%s", stamp,
                                    static_cast<long>(now.tv_usec / 1000), piece,
                                    len && piece[len - 1] == '\n' ? "" : "\n");
        const int fd = ::open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) continue;
        if (::write(fd, line, static_cast<std::size_t>(n)) < 0) std::perror("write");
        ::close(fd);
    }
    const double cpu = cpuMicros() - cpuBefore;
    std::fclose(in);
    return cpu;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: %s CALL_LOG [OUTPUT LOG]\n", argv[0]);
        return 2;
    }
    // The script is read as it is sent, so that the floor's memory does not grow with it.
    std::FILE* log = std::fopen(argv[1], "r");
    if (!log) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 2;
    }
    if (HBA_LoadLibrary() != HBA_STATUS_OK) {
        std::fprintf(stderr, "%s: the HBA API did not load\n", argv[0]);
        return 1;
    }
    HBA_GetNumberOfAdapters();
    std::vector<std::uint8_t> response(kLargestResponse);
    std::map<HBA_UINT32, HBA_HANDLE> open;
    unsigned long sent = 0, failed = 0;
    char line[2048];
    Call call;
    int rc = 0;
    const double cpuBefore = cpuMicros();
    while (std::fgets(line, sizeof line, log)) {
        if (!parseLine(line, call)) {
            std::fprintf(stderr, "%s: cannot replay: %s", argv[0], line);
            rc = 2;
            break;
        }
        HBA_HANDLE& handle = open[call.adapterIndex];
        if (handle == 0) {
            char name[256] = {};
            if (HBA_GetAdapterName(call.adapterIndex, name) == HBA_STATUS_OK) handle = HBA_OpenAdapter(name);
        }
        HBA_STATUS status;
        if (call.v2) {
            HBA_UINT32 size = call.responseSize;
            status = HBA_SendCTPassThruV2(handle, call.port, call.request.data(),
                                          static_cast<HBA_UINT32>(call.request.size()), response.data(), &size);
        } else {
            status = HBA_SendCTPassThru(handle, call.request.data(), static_cast<HBA_UINT32>(call.request.size()),
                                        response.data(), call.responseSize);
        }
        ++sent;
        if (status != HBA_STATUS_OK) ++failed;
    }
    const double sendCpu = cpuMicros() - cpuBefore;
    std::fclose(log);
    for (const auto& entry : open)
        if (entry.second != 0) HBA_CloseAdapter(entry.second);
    HBA_FreeLibrary();
    std::printf("requests=%lu failed=%lu send_cpu_us=%.0f", sent, failed, sendCpu);
    if (argc == 4) std::printf(" copy_floor_cpu_us=%.0f", copyFloor(argv[2], argv[3]));
    std::printf("\n");
    return rc;
}

// The Generic Services commands the simulated fabric answers, and how a request names its key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Hex.h"

namespace fabricsim {

enum class GsCommand {
    GIEL, GFN, GDID, GMID, GIELN, GIEIL, GMAL, GPL, GPPN, GAPNL, GPS,
    GPNL, GPLT, GPLML, GPLNL, GID_PN, GNN_ID, GZC, GZSN, GAZS, GZS,
    GPN_ID  // answered in kernel mode only, where the name server is a switch's
};

// How much of a switch's name server the fabric plays. The vendor mode keeps the
// simulator's own contract; the kernel mode, which real clients such as fcoe-utils
// talk to, also answers GPN_ID and explains a name-server reject of an unknown key as a
// switch does (0x01 port identifier, 0x02 port name not registered).
enum class NameServer { Basic, Switch };

enum class KeyKind { None, Wwn, Fcid, PlatformName, ZoneSetName };

struct GsCommandInfo {
    GsCommand id;
    const char* name;
    std::uint8_t gsType;
    std::uint8_t gsSubtype;
    std::uint16_t code;
    KeyKind key;
};

constexpr std::size_t kCtHeaderSize = 16;
constexpr std::size_t kGsCommandCount = 22;

const GsCommandInfo& commandInfo(GsCommand command);
// Commands the Basic name server does not answer are not found for it.
const GsCommandInfo* findCommand(std::uint8_t gsType, std::uint8_t gsSubtype, std::uint16_t code,
                                 NameServer nameServer = NameServer::Basic);
const GsCommandInfo* findCommandByName(std::string_view name);

// What a request asks for. `command` is null when the server or code is unknown;
// `keyPresent` is false when the request is too short to hold its key.
struct GsRequest {
    const GsCommandInfo* command = nullptr;
    std::uint8_t revision = 0;
    std::uint8_t gsType = 0;
    std::uint8_t gsSubtype = 0;
    std::uint16_t code = 0;
    bool keyPresent = false;
    Wwn wwn = 0;
    std::uint32_t fcid = 0;
    std::string name;
    std::string keyText;  // as logged and as faults match it; empty for commands without a key
};

// The request must hold at least the CT_IU header.
GsRequest parseRequest(const std::uint8_t* request, std::size_t size, NameServer nameServer = NameServer::Basic);

// Upper-cases WWN and FCID texts so that keys compare regardless of case.
std::string normalizeKey(KeyKind kind, std::string_view key);

}  // namespace fabricsim

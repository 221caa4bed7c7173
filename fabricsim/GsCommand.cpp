#include "GsCommand.h"

#include <cctype>

namespace fabricsim {
namespace {

constexpr std::uint8_t kMgmt = 0xFA;
constexpr std::uint8_t kDir = 0xFC;
constexpr std::uint8_t kFcs = 0x01;
constexpr std::uint8_t kNs = 0x02;
constexpr std::uint8_t kZs = 0x03;

const GsCommandInfo kCommands[kGsCommandCount] = {
    {GsCommand::GIEL, "GIEL", kMgmt, kFcs, 0x0101, KeyKind::None},
    {GsCommand::GFN, "GFN", kMgmt, kFcs, 0x0114, KeyKind::Wwn},
    {GsCommand::GDID, "GDID", kMgmt, kFcs, 0x0112, KeyKind::Wwn},
    {GsCommand::GMID, "GMID", kMgmt, kFcs, 0x0113, KeyKind::Wwn},
    {GsCommand::GIELN, "GIELN", kMgmt, kFcs, 0x0115, KeyKind::Wwn},
    {GsCommand::GIEIL, "GIEIL", kMgmt, kFcs, 0x0117, KeyKind::Wwn},
    {GsCommand::GMAL, "GMAL", kMgmt, kFcs, 0x0116, KeyKind::Wwn},
    {GsCommand::GPL, "GPL", kMgmt, kFcs, 0x0118, KeyKind::Wwn},
    {GsCommand::GPPN, "GPPN", kMgmt, kFcs, 0x0122, KeyKind::Wwn},
    {GsCommand::GAPNL, "GAPNL", kMgmt, kFcs, 0x0124, KeyKind::Wwn},
    {GsCommand::GPS, "GPS", kMgmt, kFcs, 0x0126, KeyKind::Wwn},
    {GsCommand::GPNL, "GPNL", kMgmt, kFcs, 0x01A2, KeyKind::None},
    {GsCommand::GPLT, "GPLT", kMgmt, kFcs, 0x0192, KeyKind::PlatformName},
    {GsCommand::GPLML, "GPLML", kMgmt, kFcs, 0x0193, KeyKind::PlatformName},
    {GsCommand::GPLNL, "GPLNL", kMgmt, kFcs, 0x0191, KeyKind::PlatformName},
    {GsCommand::GID_PN, "GID_PN", kDir, kNs, 0x0121, KeyKind::Wwn},
    {GsCommand::GNN_ID, "GNN_ID", kDir, kNs, 0x0113, KeyKind::Fcid},
    {GsCommand::GZC, "GZC", kMgmt, kZs, 0x0100, KeyKind::None},
    {GsCommand::GZSN, "GZSN", kMgmt, kZs, 0x0112, KeyKind::None},
    {GsCommand::GAZS, "GAZS", kMgmt, kZs, 0x0115, KeyKind::None},
    {GsCommand::GZS, "GZS", kMgmt, kZs, 0x0116, KeyKind::ZoneSetName},
    {GsCommand::GPN_ID, "GPN_ID", kDir, kNs, 0x0112, KeyKind::Fcid},
};

}  // namespace

const GsCommandInfo& commandInfo(GsCommand command) {
    return kCommands[static_cast<std::size_t>(command)];
}

const GsCommandInfo* findCommand(std::uint8_t gsType, std::uint8_t gsSubtype, std::uint16_t code,
                                 NameServer nameServer) {
    for (const GsCommandInfo& info : kCommands)
        if (info.gsType == gsType && info.gsSubtype == gsSubtype && info.code == code)
            return info.id == GsCommand::GPN_ID && nameServer == NameServer::Basic ? nullptr : &info;
    return nullptr;
}

const GsCommandInfo* findCommandByName(std::string_view name) {
    for (const GsCommandInfo& info : kCommands)
        if (name == info.name) return &info;
    return nullptr;
}

GsRequest parseRequest(const std::uint8_t* request, std::size_t size, NameServer nameServer) {
    GsRequest parsed;
    if (request == nullptr || size < kCtHeaderSize) return parsed;
    parsed.revision = request[0];
    parsed.gsType = request[4];
    parsed.gsSubtype = request[5];
    parsed.code = static_cast<std::uint16_t>((request[8] << 8) | request[9]);
    parsed.command = findCommand(parsed.gsType, parsed.gsSubtype, parsed.code, nameServer);
    if (parsed.command == nullptr) return parsed;

    const std::uint8_t* payload = request + kCtHeaderSize;
    const std::size_t available = size - kCtHeaderSize;
    switch (parsed.command->key) {
    case KeyKind::None:
        parsed.keyPresent = true;
        break;
    case KeyKind::Wwn:
        if (available >= 8) {
            parsed.wwn = readWwn(payload);
            parsed.keyText = wwnText(parsed.wwn);
            parsed.keyPresent = true;
        }
        break;
    case KeyKind::Fcid:
        // One reserved byte, then the identifier.
        if (available >= 4) {
            parsed.fcid = (std::uint32_t(payload[1]) << 16) | (std::uint32_t(payload[2]) << 8) | payload[3];
            parsed.keyText = fcidText(parsed.fcid);
            parsed.keyPresent = true;
        }
        break;
    case KeyKind::PlatformName:
        // A length byte and the name right after it.
        if (available >= 1 && available - 1 >= payload[0]) {
            parsed.name.assign(reinterpret_cast<const char*>(payload + 1), payload[0]);
            parsed.keyText = parsed.name;
            parsed.keyPresent = true;
        }
        break;
    case KeyKind::ZoneSetName:
        // A length byte, three reserved bytes, then the name.
        if (available >= 4 && available - 4 >= payload[0]) {
            parsed.name.assign(reinterpret_cast<const char*>(payload + 4), payload[0]);
            parsed.keyText = parsed.name;
            parsed.keyPresent = true;
        }
        break;
    }
    return parsed;
}

std::string normalizeKey(KeyKind kind, std::string_view key) {
    std::string text(key);
    if (kind == KeyKind::Wwn || kind == KeyKind::Fcid)
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace fabricsim

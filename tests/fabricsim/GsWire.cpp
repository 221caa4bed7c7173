#include "GsWire.h"

#include <stdexcept>

namespace fstest {

using fabricsim::GsCommand;

std::size_t probeResponseSize(GsCommand command) {
    switch (command) {
    case GsCommand::GIEL: return 3996;
    case GsCommand::GDID: case GsCommand::GMID: case GsCommand::GPPN: case GsCommand::GPLT: case GsCommand::GID_PN:
        return 20;
    case GsCommand::GFN: case GsCommand::GPS: case GsCommand::GNN_ID: case GsCommand::GPN_ID: return 24;
    case GsCommand::GIELN: case GsCommand::GIEIL: return 272;
    case GsCommand::GMAL: case GsCommand::GPL: case GsCommand::GPLNL: case GsCommand::GPLML: case GsCommand::GPNL:
        return 8212;
    case GsCommand::GAPNL: return 1044;
    case GsCommand::GZC: return 224;
    case GsCommand::GZSN: return 32000;
    case GsCommand::GAZS: case GsCommand::GZS: return 256000;
    }
    return 0;
}

Bytes buildRequest(GsCommand command, const std::string& key, std::size_t responseSize) {
    const fabricsim::GsCommandInfo& info = fabricsim::commandInfo(command);
    Bytes request(16, 0);
    request[0] = 0x01;
    request[4] = info.gsType;
    request[5] = info.gsSubtype;
    request[8] = static_cast<std::uint8_t>(info.code >> 8);
    request[9] = static_cast<std::uint8_t>(info.code);
    const std::size_t words = responseSize >= 16 ? (responseSize - 16) / 4 : 0;
    request[10] = static_cast<std::uint8_t>(words >> 8);
    request[11] = static_cast<std::uint8_t>(words);
    std::uint64_t value = 0;
    switch (info.key) {
    case fabricsim::KeyKind::None:
        break;
    case fabricsim::KeyKind::Wwn:
        if (!fabricsim::parseHexDigits(key, 16, value)) throw std::invalid_argument("not a WWN: " + key);
        request.resize(24);
        fabricsim::writeWwn(value, request.data() + 16);
        break;
    case fabricsim::KeyKind::Fcid:
        if (!fabricsim::parseHexDigits(key, 6, value)) throw std::invalid_argument("not an FCID: " + key);
        request.push_back(0);
        request.push_back(static_cast<std::uint8_t>(value >> 16));
        request.push_back(static_cast<std::uint8_t>(value >> 8));
        request.push_back(static_cast<std::uint8_t>(value));
        break;
    case fabricsim::KeyKind::PlatformName:
        // The 256-byte platform name field.
        request.push_back(static_cast<std::uint8_t>(key.size()));
        request.insert(request.end(), key.begin(), key.end());
        request.resize(16 + 256, 0);
        break;
    case fabricsim::KeyKind::ZoneSetName:
        request.push_back(static_cast<std::uint8_t>(key.size()));
        request.insert(request.end(), 3, 0);
        request.insert(request.end(), key.begin(), key.end());
        request.resize(request.size() + (4 - key.size() % 4) % 4, 0);
        break;
    }
    return request;
}

std::string toHex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

Bytes fromHex(const std::string& hex) {
    Bytes bytes;
    if (!fabricsim::parseHexBytes(hex, bytes)) throw std::invalid_argument("not hex: " + hex.substr(0, 40));
    return bytes;
}

}  // namespace fstest

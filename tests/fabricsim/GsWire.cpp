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
    const std::size_t words = responseSize >= 16 ? (responseSize - 16) / 4 : 0;
    GsBytes request = GsBytes::request(info.gsType, info.gsSubtype, info.code, static_cast<std::uint16_t>(words));
    switch (info.key) {
    case fabricsim::KeyKind::None:
        break;
    case fabricsim::KeyKind::Wwn:
        request.wwn(key);
        break;
    case fabricsim::KeyKind::Fcid:
        if (key.size() != 6) throw std::invalid_argument("not an FCID: " + key);
        request.u8(0).raw(fromHex(key));
        break;
    case fabricsim::KeyKind::PlatformName:
        request.counted(key, 256);  // the 256-byte platform name field
        break;
    case fabricsim::KeyKind::ZoneSetName:
        request.name(key);
        break;
    }
    return request.bytes();
}

}  // namespace fstest

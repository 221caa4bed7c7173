#include "GsResponder.h"

#include <cstring>

#include "PayloadWriter.h"

namespace fabricsim {
namespace {

constexpr std::size_t kNameField = 256;

GsAnswer unknownKey() { return GsAnswer::rejected(reject::kUnableToPerform, 0x00); }

// FC-GS-3 reason code explanations a switch's name server gives for a key it does not hold.
constexpr std::uint8_t kPortIdNotRegistered = 0x01;
constexpr std::uint8_t kPortNameNotRegistered = 0x02;

GsAnswer unknownNameServerKey(NameServer nameServer, std::uint8_t explanation) {
    return nameServer == NameServer::Switch ? GsAnswer::rejected(reject::kUnableToPerform, explanation) : unknownKey();
}
// A value the model leaves null or out.
GsAnswer notAvailable() { return GsAnswer::rejected(reject::kUnableToPerform, 0x00); }

struct Accept {
    GsAnswer answer;
    PayloadWriter out{answer.payload};
    Accept() { answer.accepted = true; }
};

void writeZoneSet(PayloadWriter& out, const ZoneSet& set) {
    out.nameObject(set.name);
    out.u32(static_cast<std::uint32_t>(set.zones.size()));
    for (const Zone& zone : set.zones) {
        out.nameObject(zone.name);
        out.u32(static_cast<std::uint32_t>(zone.members.size()));
        for (const ZoneMember& m : zone.members) {
            out.u8(m.type);
            out.zeros(2);
            out.u8(static_cast<std::uint8_t>(m.id.size()));
            out.bytes(m.id.data(), m.id.size());
        }
    }
}

void writeAddressList(PayloadWriter& out, const std::vector<std::string>& addresses) {
    out.u32(static_cast<std::uint32_t>(addresses.size()));
    for (const std::string& a : addresses) out.countedField(a, kNameField);
}

GsAnswer answerSwitchQuery(const FabricIndex& index, const GsRequest& request) {
    const Switch* sw = index.findSwitch(request.wwn);
    if (sw == nullptr) return unknownKey();
    Accept acc;
    PayloadWriter& out = acc.out;
    switch (request.command->id) {
    case GsCommand::GFN:
        if (!index.fabric().name) return notAvailable();
        out.wwn(*index.fabric().name);
        break;
    case GsCommand::GDID:
        if (!sw->domain) return notAvailable();
        out.u8(0);
        out.u8(*sw->domain);
        out.zeros(2);
        break;
    case GsCommand::GMID:
        if (!sw->mgmtId) return notAvailable();
        out.u8(0);
        out.u24(*sw->mgmtId);
        break;
    case GsCommand::GIELN:
        if (!sw->logicalName) return notAvailable();
        out.countedField(*sw->logicalName, kNameField);
        break;
    case GsCommand::GIEIL: {
        if (!sw->vendor || !sw->model || !sw->release) return notAvailable();
        // Reserved bytes, the list length, then three NUL-terminated texts.
        std::size_t listLength = sw->vendor->size() + sw->model->size() + sw->release->size() + 3;
        out.zeros(3);
        out.u8(static_cast<std::uint8_t>(listLength));
        for (const std::string* s : {&*sw->vendor, &*sw->model, &*sw->release}) {
            out.text(*s);
            out.u8(0);
        }
        out.padToWord();
        break;
    }
    case GsCommand::GMAL:
        if (!sw->mgmtAddresses) return notAvailable();
        writeAddressList(out, *sw->mgmtAddresses);
        break;
    case GsCommand::GPL:
        if (!sw->ports) return notAvailable();
        out.u32(static_cast<std::uint32_t>(sw->ports->size()));
        for (const SwitchPort& port : *sw->ports) {
            out.wwn(port.wwn);
            out.zeros(3);  // reserved, module type, transmitter type
            out.u8(port.type);
        }
        break;
    default:
        break;
    }
    return std::move(acc.answer);
}

GsAnswer answerPortQuery(const FabricIndex& index, const GsRequest& request) {
    const SwitchPort* port = index.findSwitchPort(request.wwn);
    if (port == nullptr) return unknownKey();
    Accept acc;
    PayloadWriter& out = acc.out;
    switch (request.command->id) {
    case GsCommand::GPPN:
        if (!port->physical) return notAvailable();
        out.u32(*port->physical);
        break;
    case GsCommand::GPS:
        if (!port->state) return notAvailable();
        out.zeros(3);
        out.u8(port->type);
        out.zeros(3);
        out.u8(*port->state);
        break;
    case GsCommand::GAPNL:
        if (!port->attached) return notAvailable();
        out.u32(static_cast<std::uint32_t>(port->attached->size()));
        for (const AttachedPort& attached : *port->attached) {
            out.wwn(attached.wwn);
            out.zeros(3);  // reserved, reserved, port flags
            out.u8(attached.type);
        }
        break;
    default:
        break;
    }
    return std::move(acc.answer);
}

GsAnswer answerPlatformQuery(const FabricIndex& index, const GsRequest& request) {
    if (!index.fabric().platforms) return notAvailable();
    const Platform* platform = index.findPlatform(request.name);
    if (platform == nullptr) return unknownKey();
    Accept acc;
    PayloadWriter& out = acc.out;
    switch (request.command->id) {
    case GsCommand::GPLT:
        if (!platform->type) return notAvailable();
        out.u32(*platform->type);
        break;
    case GsCommand::GPLML:
        if (!platform->mgmtAddresses) return notAvailable();
        writeAddressList(out, *platform->mgmtAddresses);
        break;
    case GsCommand::GPLNL:
        if (!platform->nodes) return notAvailable();
        out.u32(static_cast<std::uint32_t>(platform->nodes->size()));
        for (Wwn node : *platform->nodes) out.wwn(node);
        break;
    default:
        break;
    }
    return std::move(acc.answer);
}

GsAnswer answerZoneQuery(const FabricIndex& index, const GsRequest& request) {
    const std::optional<Zoning>& zoning = index.fabric().zoning;
    if (!zoning) return notAvailable();
    Accept acc;
    PayloadWriter& out = acc.out;
    switch (request.command->id) {
    case GsCommand::GZC:
        if (!zoning->fullDb) return notAvailable();
        out.u8(*zoning->fullDb ? 0x01 : 0x00);
        out.zeros(3);
        out.u32(0);  // vendor specific flags
        break;
    case GsCommand::GZSN:
        if (!zoning->database) return notAvailable();
        out.u32(static_cast<std::uint32_t>(zoning->database->size()));
        for (const ZoneSet& set : *zoning->database) {
            out.nameObject(set.name);
            out.u32(static_cast<std::uint32_t>(set.zones.size()));
        }
        break;
    case GsCommand::GAZS:
        if (!zoning->active) return notAvailable();
        writeZoneSet(out, *zoning->active);
        break;
    case GsCommand::GZS: {
        if (!zoning->database) return notAvailable();
        const ZoneSet* set = index.findDatabaseZoneSet(request.name);
        if (set == nullptr) return unknownKey();
        writeZoneSet(out, *set);
        break;
    }
    default:
        break;
    }
    return std::move(acc.answer);
}

GsAnswer answerNameServerQuery(const FabricIndex& index, const GsRequest& request, NameServer nameServer) {
    if (request.command->id == GsCommand::GID_PN) {
        const AttachedPort* port = index.findAttachedPort(request.wwn);
        if (port == nullptr) return unknownNameServerKey(nameServer, kPortNameNotRegistered);
        if (!port->fcid) return notAvailable();
        Accept acc;
        acc.out.u8(0);
        acc.out.u24(*port->fcid);
        return std::move(acc.answer);
    }
    const AttachedPort* port = index.findAttachedByFcid(request.fcid);
    if (port == nullptr) return unknownNameServerKey(nameServer, kPortIdNotRegistered);
    const std::optional<Wwn> name = request.command->id == GsCommand::GPN_ID ? std::optional<Wwn>(port->wwn) : port->nodeWwn;
    if (!name) return notAvailable();
    Accept acc;
    acc.out.wwn(*name);
    return std::move(acc.answer);
}

}  // namespace

GsAnswer answerRequest(const FabricIndex& index, const GsRequest& request, NameServer nameServer) {
    if (request.command == nullptr) return GsAnswer::rejected(reject::kNotSupported, 0x00);
    if (request.revision != 0x01) return GsAnswer::rejected(reject::kInvalidVersion, 0x00);
    if (!request.keyPresent) return GsAnswer::rejected(reject::kInvalidSize, 0x00);

    const Fabric& fabric = index.fabric();
    switch (request.command->id) {
    case GsCommand::GIEL: {
        if (!fabric.switches) return notAvailable();
        Accept acc;
        acc.out.u32(static_cast<std::uint32_t>(fabric.switches->size()));
        for (const Switch& sw : *fabric.switches) {
            acc.out.wwn(sw.wwn);
            acc.out.zeros(3);
            acc.out.u8(sw.type);
        }
        return std::move(acc.answer);
    }
    case GsCommand::GPNL: {
        if (!fabric.platforms) return notAvailable();
        Accept acc;
        acc.out.u32(static_cast<std::uint32_t>(fabric.platforms->size()));
        for (const Platform& platform : *fabric.platforms) acc.out.countedField(platform.name, kNameField);
        return std::move(acc.answer);
    }
    case GsCommand::GID_PN:
    case GsCommand::GNN_ID:
    case GsCommand::GPN_ID:
        return answerNameServerQuery(index, request, nameServer);
    case GsCommand::GFN:
    case GsCommand::GDID:
    case GsCommand::GMID:
    case GsCommand::GIELN:
    case GsCommand::GIEIL:
    case GsCommand::GMAL:
    case GsCommand::GPL:
        return answerSwitchQuery(index, request);
    case GsCommand::GPPN:
    case GsCommand::GAPNL:
    case GsCommand::GPS:
        return answerPortQuery(index, request);
    case GsCommand::GPLT:
    case GsCommand::GPLML:
    case GsCommand::GPLNL:
        return answerPlatformQuery(index, request);
    case GsCommand::GZC:
    case GsCommand::GZSN:
    case GsCommand::GAZS:
    case GsCommand::GZS:
        return answerZoneQuery(index, request);
    }
    return GsAnswer::rejected(reject::kNotSupported, 0x00);
}

std::vector<std::uint8_t> buildResponse(const std::uint8_t* requestHeader, const GsAnswer& answer) {
    std::vector<std::uint8_t> response(kCtHeaderSize + (answer.accepted ? answer.payload.size() : 0), 0);
    std::memcpy(response.data(), requestHeader, 8);
    response[8] = 0x80;
    response[9] = answer.accepted ? 0x02 : 0x01;
    if (answer.accepted) {
        if (!answer.payload.empty())
            std::memcpy(response.data() + kCtHeaderSize, answer.payload.data(), answer.payload.size());
    } else {
        response[13] = answer.reason;
        response[14] = answer.explanation;
    }
    return response;
}

}  // namespace fabricsim

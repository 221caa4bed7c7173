// The simulated SAN as the model file describes it. A value that is absent or null
// in the file is an empty optional here, and the query that would answer it is rejected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "GsCommand.h"
#include "Hex.h"

namespace fabricsim {

struct AdapterPort {
    Wwn wwn = 0;
    std::uint32_t fcid = 0;
    std::optional<std::size_t> fabric;  // index into Model::fabrics; none: not attached
    bool failAttributes = false;
};

enum class AdapterFailure { None, Name, Open, Attributes };

struct Adapter {
    std::string name;
    Wwn nodeWwn = 0;
    bool ctV2 = true;
    bool ctV1 = true;  // false: HBA_SendCTPassThru answers NOT_SUPPORTED, as libhbalinux does
    AdapterFailure fail = AdapterFailure::None;
    std::vector<AdapterPort> ports;
};

struct AttachedPort {
    Wwn wwn = 0;
    std::uint8_t type = 0;
    std::optional<std::uint32_t> fcid;
    std::optional<Wwn> nodeWwn;
};

struct SwitchPort {
    Wwn wwn = 0;
    std::uint8_t type = 0;
    std::optional<std::uint8_t> state;
    std::optional<std::uint32_t> physical;
    std::optional<std::vector<AttachedPort>> attached;
};

struct Switch {
    Wwn wwn = 0;
    std::uint8_t type = 0;
    std::optional<std::uint8_t> domain;
    std::optional<std::string> logicalName;
    std::optional<std::uint32_t> mgmtId;
    std::optional<std::string> vendor;
    std::optional<std::string> model;
    std::optional<std::string> release;
    std::optional<std::vector<std::string>> mgmtAddresses;
    std::optional<std::vector<SwitchPort>> ports;
};

struct Platform {
    std::string name;
    std::optional<std::uint32_t> type;
    std::optional<std::vector<std::string>> mgmtAddresses;
    std::optional<std::vector<Wwn>> nodes;
};

struct ZoneMember {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> id;  // already padded to 8 bytes, or 16 for the LUN types
};

struct Zone {
    std::string name;
    std::vector<ZoneMember> members;
};

struct ZoneSet {
    std::string name;
    std::vector<Zone> zones;
};

struct Zoning {
    std::optional<bool> fullDb;
    std::optional<ZoneSet> active;
    std::optional<std::vector<ZoneSet>> database;
};

struct Fabric {
    std::string id;  // the key under "fabrics"
    std::optional<Wwn> name;
    std::optional<std::vector<Switch>> switches;
    std::optional<std::vector<Platform>> platforms;
    std::optional<Zoning> zoning;
};

struct Fault {
    GsCommand command = GsCommand::GIEL;
    std::optional<std::string> key;  // normalized with normalizeKey
    std::optional<Wwn> port;
    std::optional<std::uint64_t> times;
    std::uint64_t delayMs = 0;
    enum class Answer { Normal, Reject, Fail, Raw } answer = Answer::Normal;
    std::uint8_t reason = 0;       // Reject (busy is reason 0x05)
    std::uint8_t explanation = 0;  // Reject
    std::uint32_t status = 0;      // Fail
    std::vector<std::uint8_t> raw; // Raw
};

struct Model {
    std::vector<Adapter> adapters;
    std::vector<Fabric> fabrics;
    std::vector<Fault> faults;
};

}  // namespace fabricsim

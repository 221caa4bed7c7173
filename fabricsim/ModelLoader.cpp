#include "ModelLoader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <new>
#include <utility>

#include <nlohmann/json.hpp>

namespace fabricsim {
namespace {

using nlohmann::json;

constexpr std::size_t kMaxNameBytes = 255;           // one length byte
constexpr std::size_t kMaxInformationListBytes = 252; // the rest of a 256-byte list after its leading word
constexpr std::size_t kMaxShownKey = 64;
// Far above any name (255 bytes) or raw answer (256000 bytes as hex); keeps a runaway
// string from costing seconds and hundreds of megabytes in the JSON parser.
constexpr std::size_t kMaxStringChars = 1u << 20;
// A model a thousand times the largest SAN anyone simulates; stops a device or pipe that never ends.
constexpr std::size_t kMaxModelBytes = 256u << 20;

struct Bad {
    std::string path;
    std::string reason;
};

[[noreturn]] void fail(const std::string& path, const std::string& reason) { throw Bad{path, reason}; }

std::string member(const std::string& path, const std::string& key) {
    bool plain = !key.empty() && key.size() <= kMaxShownKey;
    for (char c : key)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')) plain = false;
    if (plain) return path + "." + key;
    std::string shown = key.size() > kMaxShownKey ? key.substr(0, kMaxShownKey) + "..." : key;
    return path + "[" + json(shown).dump(-1, ' ', false, json::error_handler_t::replace) + "]";
}

std::string element(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

const char* typeName(const json& value) {
    switch (value.type()) {
    case json::value_t::null: return "null";
    case json::value_t::object: return "an object";
    case json::value_t::array: return "an array";
    case json::value_t::string: return "a string";
    case json::value_t::boolean: return "a boolean";
    case json::value_t::binary: return "binary data";
    case json::value_t::discarded: return "nothing";
    default: return "a number";
    }
}

void expectObject(const json& value, const std::string& path, std::initializer_list<const char*> known) {
    if (!value.is_object()) fail(path, std::string("expected an object, found ") + typeName(value));
    for (const auto& item : value.items()) {
        const std::string& key = item.key();
        if (!key.empty() && key[0] == '_') continue;  // comments
        bool isKnown = false;
        for (const char* k : known)
            if (key == k) isKnown = true;
        if (!isKnown) fail(member(path, key), "unknown field");
    }
}

const json* field(const json& object, const char* name) {
    auto it = object.find(name);
    if (it == object.end() || it->is_null()) return nullptr;
    return &*it;
}

const json& required(const json& object, const char* name, const std::string& path) {
    const json* value = field(object, name);
    if (value == nullptr) fail(member(path, name), "missing");
    return *value;
}

const json& expectArray(const json& value, const std::string& path) {
    if (!value.is_array()) fail(path, std::string("expected an array, found ") + typeName(value));
    return value;
}

Wwn readWwnText(const json& value, const std::string& path) {
    std::uint64_t wwn = 0;
    if (!value.is_string() || !parseHexDigits(value.get_ref<const std::string&>(), 16, wwn))
        fail(path, "not a WWN (16 hexadecimal digits)");
    return wwn;
}

std::uint32_t readFcidText(const json& value, const std::string& path) {
    std::uint64_t fcid = 0;
    if (!value.is_string() || !parseHexDigits(value.get_ref<const std::string&>(), 6, fcid))
        fail(path, "not an FCID (6 hexadecimal digits)");
    return static_cast<std::uint32_t>(fcid);
}

// A JSON integer, or a string holding "0x" and hexadecimal digits, or decimal digits.
std::uint64_t readNumber(const json& value, const std::string& path, std::uint64_t max) {
    std::uint64_t number = 0;
    if (value.is_number_unsigned()) {
        number = value.get<std::uint64_t>();
    } else if (value.is_number_integer()) {
        fail(path, "negative");
    } else if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        std::size_t start = hex ? 2 : 0;
        if (text.size() == start || text.size() - start > (hex ? 16 : 20)) fail(path, "not a number");
        for (std::size_t i = start; i < text.size(); ++i) {
            char c = text[i];
            int d = -1;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
            if (d < 0) fail(path, "not a number");
            std::uint64_t base = hex ? 16 : 10;
            if (number > (UINT64_MAX - static_cast<std::uint64_t>(d)) / base) fail(path, "out of range");
            number = number * base + static_cast<std::uint64_t>(d);
        }
    } else {
        fail(path, std::string("expected a number, found ") + typeName(value));
    }
    if (number > max) fail(path, "out of range (0 to " + std::to_string(max) + ")");
    return number;
}

bool readBool(const json& value, const std::string& path) {
    if (!value.is_boolean()) fail(path, std::string("expected true or false, found ") + typeName(value));
    return value.get<bool>();
}

const std::string& readString(const json& value, const std::string& path, std::size_t maxBytes) {
    if (!value.is_string()) fail(path, std::string("expected a string, found ") + typeName(value));
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() > maxBytes) fail(path, "longer than " + std::to_string(maxBytes) + " bytes");
    return text;
}

const std::string& readTerminatedString(const json& value, const std::string& path, std::size_t maxBytes) {
    const std::string& text = readString(value, path, maxBytes);
    if (text.find('\0') != std::string::npos) fail(path, "contains a NUL character");
    return text;
}

std::vector<std::string> readAddressList(const json& value, const std::string& path) {
    std::vector<std::string> list;
    const json& array = expectArray(value, path);
    for (std::size_t i = 0; i < array.size(); ++i) list.push_back(readString(array[i], element(path, i), kMaxNameBytes));
    return list;
}

AttachedPort readAttachedPort(const json& value, const std::string& path) {
    expectObject(value, path, {"wwn", "type", "fcid", "node_wwn"});
    AttachedPort port;
    port.wwn = readWwnText(required(value, "wwn", path), member(path, "wwn"));
    port.type = static_cast<std::uint8_t>(readNumber(required(value, "type", path), member(path, "type"), 0xFF));
    if (const json* v = field(value, "fcid")) port.fcid = readFcidText(*v, member(path, "fcid"));
    if (const json* v = field(value, "node_wwn")) port.nodeWwn = readWwnText(*v, member(path, "node_wwn"));
    return port;
}

SwitchPort readSwitchPort(const json& value, const std::string& path) {
    expectObject(value, path, {"wwn", "type", "state", "physical", "attached"});
    SwitchPort port;
    port.wwn = readWwnText(required(value, "wwn", path), member(path, "wwn"));
    port.type = static_cast<std::uint8_t>(readNumber(required(value, "type", path), member(path, "type"), 0xFF));
    if (const json* v = field(value, "state"))
        port.state = static_cast<std::uint8_t>(readNumber(*v, member(path, "state"), 0xFF));
    if (const json* v = field(value, "physical"))
        port.physical = static_cast<std::uint32_t>(readNumber(*v, member(path, "physical"), 0xFFFFFFFFu));
    if (const json* v = field(value, "attached")) {
        const std::string listPath = member(path, "attached");
        const json& array = expectArray(*v, listPath);
        port.attached.emplace();
        for (std::size_t i = 0; i < array.size(); ++i)
            port.attached->push_back(readAttachedPort(array[i], element(listPath, i)));
    }
    return port;
}

Switch readSwitch(const json& value, const std::string& path) {
    expectObject(value, path, {"wwn", "type", "domain", "logical_name", "mgmt_id", "vendor", "model", "release",
                               "mgmt_addresses", "ports"});
    Switch sw;
    sw.wwn = readWwnText(required(value, "wwn", path), member(path, "wwn"));
    sw.type = static_cast<std::uint8_t>(readNumber(required(value, "type", path), member(path, "type"), 0xFF));
    if (const json* v = field(value, "domain"))
        sw.domain = static_cast<std::uint8_t>(readNumber(*v, member(path, "domain"), 0xFF));
    if (const json* v = field(value, "logical_name")) sw.logicalName = readString(*v, member(path, "logical_name"), kMaxNameBytes);
    if (const json* v = field(value, "mgmt_id")) sw.mgmtId = readFcidText(*v, member(path, "mgmt_id"));
    if (const json* v = field(value, "vendor")) sw.vendor = readTerminatedString(*v, member(path, "vendor"), kMaxInformationListBytes);
    if (const json* v = field(value, "model")) sw.model = readTerminatedString(*v, member(path, "model"), kMaxInformationListBytes);
    if (const json* v = field(value, "release")) sw.release = readTerminatedString(*v, member(path, "release"), kMaxInformationListBytes);
    std::size_t listBytes = (sw.vendor ? sw.vendor->size() : 0) + (sw.model ? sw.model->size() : 0) +
                            (sw.release ? sw.release->size() : 0) + 3;
    if (listBytes > kMaxInformationListBytes)
        fail(path, "vendor, model and release together longer than " + std::to_string(kMaxInformationListBytes - 3) + " bytes");
    if (const json* v = field(value, "mgmt_addresses")) sw.mgmtAddresses = readAddressList(*v, member(path, "mgmt_addresses"));
    if (const json* v = field(value, "ports")) {
        const std::string listPath = member(path, "ports");
        const json& array = expectArray(*v, listPath);
        sw.ports.emplace();
        sw.ports->reserve(array.size());
        for (std::size_t i = 0; i < array.size(); ++i) sw.ports->push_back(readSwitchPort(array[i], element(listPath, i)));
    }
    return sw;
}

Platform readPlatform(const json& value, const std::string& path) {
    expectObject(value, path, {"name", "type", "mgmt_addresses", "nodes"});
    Platform platform;
    platform.name = readString(required(value, "name", path), member(path, "name"), kMaxNameBytes);
    if (const json* v = field(value, "type"))
        platform.type = static_cast<std::uint32_t>(readNumber(*v, member(path, "type"), 0xFFFFFFFFu));
    if (const json* v = field(value, "mgmt_addresses")) platform.mgmtAddresses = readAddressList(*v, member(path, "mgmt_addresses"));
    if (const json* v = field(value, "nodes")) {
        const std::string listPath = member(path, "nodes");
        const json& array = expectArray(*v, listPath);
        platform.nodes.emplace();
        for (std::size_t i = 0; i < array.size(); ++i) platform.nodes->push_back(readWwnText(array[i], element(listPath, i)));
    }
    return platform;
}

bool isLunMember(std::uint8_t type) { return type == 0xF1 || type == 0xF3; }

ZoneMember readMember(const json& value, const std::string& path) {
    expectObject(value, path, {"type", "id"});
    ZoneMember m;
    m.type = static_cast<std::uint8_t>(readNumber(required(value, "type", path), member(path, "type"), 0xFF));
    const std::size_t size = isLunMember(m.type) ? 16 : 8;
    const json* id = field(value, "id");
    if (id != nullptr) {
        if (!id->is_string() || !parseHexBytes(id->get_ref<const std::string&>(), m.id))
            fail(member(path, "id"), "not hexadecimal bytes");
        if (m.id.size() > size) fail(member(path, "id"), "longer than " + std::to_string(size) + " bytes");
    }
    m.id.resize(size, 0);
    return m;
}

ZoneSet readZoneSet(const json& value, const std::string& path) {
    expectObject(value, path, {"name", "zones"});
    ZoneSet set;
    set.name = readString(required(value, "name", path), member(path, "name"), kMaxNameBytes);
    if (const json* v = field(value, "zones")) {
        const std::string zonesPath = member(path, "zones");
        const json& zones = expectArray(*v, zonesPath);
        for (std::size_t i = 0; i < zones.size(); ++i) {
            const std::string zonePath = element(zonesPath, i);
            expectObject(zones[i], zonePath, {"name", "members"});
            Zone zone;
            zone.name = readString(required(zones[i], "name", zonePath), member(zonePath, "name"), kMaxNameBytes);
            if (const json* m = field(zones[i], "members")) {
                const std::string membersPath = member(zonePath, "members");
                const json& members = expectArray(*m, membersPath);
                for (std::size_t j = 0; j < members.size(); ++j)
                    zone.members.push_back(readMember(members[j], element(membersPath, j)));
            }
            set.zones.push_back(std::move(zone));
        }
    }
    return set;
}

Zoning readZoning(const json& value, const std::string& path) {
    expectObject(value, path, {"full_db", "active", "database"});
    Zoning zoning;
    if (const json* v = field(value, "full_db")) zoning.fullDb = readBool(*v, member(path, "full_db"));
    if (const json* v = field(value, "active")) zoning.active = readZoneSet(*v, member(path, "active"));
    if (const json* v = field(value, "database")) {
        const std::string listPath = member(path, "database");
        const json& array = expectArray(*v, listPath);
        zoning.database.emplace();
        for (std::size_t i = 0; i < array.size(); ++i) zoning.database->push_back(readZoneSet(array[i], element(listPath, i)));
    }
    return zoning;
}

Fabric readFabric(const std::string& id, const json& value, const std::string& path) {
    expectObject(value, path, {"name", "switches", "platforms", "zoning"});
    Fabric fabric;
    fabric.id = id;
    if (const json* v = field(value, "name")) fabric.name = readWwnText(*v, member(path, "name"));
    if (const json* v = field(value, "switches")) {
        const std::string listPath = member(path, "switches");
        const json& array = expectArray(*v, listPath);
        fabric.switches.emplace();
        fabric.switches->reserve(array.size());
        for (std::size_t i = 0; i < array.size(); ++i) fabric.switches->push_back(readSwitch(array[i], element(listPath, i)));
    }
    if (const json* v = field(value, "platforms")) {
        const std::string listPath = member(path, "platforms");
        const json& array = expectArray(*v, listPath);
        fabric.platforms.emplace();
        for (std::size_t i = 0; i < array.size(); ++i) fabric.platforms->push_back(readPlatform(array[i], element(listPath, i)));
    }
    if (const json* v = field(value, "zoning")) fabric.zoning = readZoning(*v, member(path, "zoning"));
    return fabric;
}

Adapter readAdapter(const json& value, const std::string& path, const std::map<std::string, std::size_t>& fabrics) {
    expectObject(value, path, {"name", "node_wwn", "ct_v2", "ct_v1", "fail", "ports"});
    Adapter adapter;
    adapter.name = readTerminatedString(required(value, "name", path), member(path, "name"), kMaxNameBytes);
    if (adapter.name.empty()) fail(member(path, "name"), "empty");
    adapter.nodeWwn = readWwnText(required(value, "node_wwn", path), member(path, "node_wwn"));
    if (const json* v = field(value, "ct_v2")) adapter.ctV2 = readBool(*v, member(path, "ct_v2"));
    if (const json* v = field(value, "ct_v1")) adapter.ctV1 = readBool(*v, member(path, "ct_v1"));
    if (const json* v = field(value, "fail")) {
        const std::string& what = v->is_string() ? v->get_ref<const std::string&>() : std::string();
        if (what == "name") adapter.fail = AdapterFailure::Name;
        else if (what == "open") adapter.fail = AdapterFailure::Open;
        else if (what == "attributes") adapter.fail = AdapterFailure::Attributes;
        else fail(member(path, "fail"), "not one of null, \"name\", \"open\", \"attributes\"");
    }
    if (const json* v = field(value, "ports")) {
        const std::string listPath = member(path, "ports");
        const json& array = expectArray(*v, listPath);
        for (std::size_t i = 0; i < array.size(); ++i) {
            const std::string portPath = element(listPath, i);
            const json& p = array[i];
            expectObject(p, portPath, {"wwn", "fcid", "fabric", "fail_attributes"});
            AdapterPort port;
            port.wwn = readWwnText(required(p, "wwn", portPath), member(portPath, "wwn"));
            port.fcid = readFcidText(required(p, "fcid", portPath), member(portPath, "fcid"));
            if (const json* f = field(p, "fabric")) {
                const std::string& id = readString(*f, member(portPath, "fabric"), SIZE_MAX);
                auto it = fabrics.find(id);
                if (it == fabrics.end()) fail(member(portPath, "fabric"), "no such fabric under \"fabrics\"");
                port.fabric = it->second;
            }
            if (const json* f = field(p, "fail_attributes")) port.failAttributes = readBool(*f, member(portPath, "fail_attributes"));
            adapter.ports.push_back(port);
        }
    }
    return adapter;
}

Fault readFault(const json& value, const std::string& path) {
    expectObject(value, path, {"command", "key", "port", "times", "delay_ms", "reject", "busy", "fail", "raw"});
    Fault fault;
    const json& command = required(value, "command", path);
    const GsCommandInfo* info = command.is_string() ? findCommandByName(command.get_ref<const std::string&>()) : nullptr;
    if (info == nullptr) fail(member(path, "command"), "not one of the 21 commands the fabric answers");
    fault.command = info->id;

    if (const json* v = field(value, "key")) {
        const std::string keyPath = member(path, "key");
        std::uint64_t unused = 0;
        if (info->key == KeyKind::Wwn) {
            readWwnText(*v, keyPath);
        } else if (info->key == KeyKind::Fcid) {
            if (!v->is_string() || !parseHexDigits(v->get_ref<const std::string&>(), 6, unused))
                fail(keyPath, "not an FCID (6 hexadecimal digits)");
        }
        fault.key = normalizeKey(info->key, readString(*v, keyPath, kMaxNameBytes));
    }
    if (const json* v = field(value, "port")) fault.port = readWwnText(*v, member(path, "port"));
    if (const json* v = field(value, "times")) fault.times = readNumber(*v, member(path, "times"), UINT64_MAX);
    if (const json* v = field(value, "delay_ms")) fault.delayMs = readNumber(*v, member(path, "delay_ms"), 0xFFFFFFFFu);

    int answers = 0;
    if (const json* v = field(value, "reject")) {
        const std::string rejectPath = member(path, "reject");
        if (!v->is_array() || v->size() != 2) fail(rejectPath, "expected [reason, explanation]");
        fault.answer = Fault::Answer::Reject;
        fault.reason = static_cast<std::uint8_t>(readNumber((*v)[0], element(rejectPath, 0), 0xFF));
        fault.explanation = static_cast<std::uint8_t>(readNumber((*v)[1], element(rejectPath, 1), 0xFF));
        ++answers;
    }
    if (const json* v = field(value, "busy")) {
        if (readBool(*v, member(path, "busy"))) {
            fault.answer = Fault::Answer::Reject;
            fault.reason = 0x05;
            fault.explanation = 0x00;
            ++answers;
        }
    }
    if (const json* v = field(value, "fail")) {
        fault.answer = Fault::Answer::Fail;
        fault.status = static_cast<std::uint32_t>(readNumber(*v, member(path, "fail"), 0xFFFFFFFFu));
        if (fault.status == 0) fail(member(path, "fail"), "0 is success, not a failure");
        ++answers;
    }
    if (const json* v = field(value, "raw")) {
        if (!v->is_string() || !parseHexBytes(v->get_ref<const std::string&>(), fault.raw))
            fail(member(path, "raw"), "not hexadecimal bytes");
        fault.answer = Fault::Answer::Raw;
        ++answers;
    }
    if (answers > 1) fail(path, "more than one answer (reject, busy, fail, raw)");
    return fault;
}

void readModel(const json& document, Model& model) {
    const std::string root = "$";
    expectObject(document, root, {"adapters", "fabrics", "faults"});

    std::map<std::string, std::size_t> fabricIndex;
    if (const json* v = field(document, "fabrics")) {
        const std::string fabricsPath = member(root, "fabrics");
        if (!v->is_object()) fail(fabricsPath, std::string("expected an object, found ") + typeName(*v));
        for (const auto& item : v->items()) {
            if (!item.key().empty() && item.key()[0] == '_') continue;
            fabricIndex.emplace(item.key(), model.fabrics.size());
            model.fabrics.push_back(readFabric(item.key(), item.value(), member(fabricsPath, item.key())));
        }
    }
    if (const json* v = field(document, "adapters")) {
        const std::string listPath = member(root, "adapters");
        const json& array = expectArray(*v, listPath);
        for (std::size_t i = 0; i < array.size(); ++i) {
            Adapter adapter = readAdapter(array[i], element(listPath, i), fabricIndex);
            for (const Adapter& other : model.adapters)
                if (other.name == adapter.name) fail(member(element(listPath, i), "name"), "the same name as an earlier adapter");
            model.adapters.push_back(std::move(adapter));
        }
    }
    if (const json* v = field(document, "faults")) {
        const std::string listPath = member(root, "faults");
        const json& array = expectArray(*v, listPath);
        for (std::size_t i = 0; i < array.size(); ++i) model.faults.push_back(readFault(array[i], element(listPath, i)));
    }
}

void lineAndColumn(std::string_view text, std::size_t offset, std::size_t& line, std::size_t& column) {
    line = 1;
    column = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
}

std::string parseErrorReason(const std::string& what, std::string_view text, std::size_t byte) {
    // The library's text names the token it stopped at, which may be a huge string: keep its gist only.
    std::string reason = what;
    std::size_t start = reason.find("] ");
    if (start != std::string::npos) reason.erase(0, start + 2);
    std::size_t lastRead = reason.find("; last read");
    if (lastRead != std::string::npos) reason.erase(lastRead);
    std::size_t at = reason.find("parse error at ");
    if (at != std::string::npos) {
        std::size_t colon = reason.find(": ", at);
        if (colon != std::string::npos) reason.erase(at, colon + 2 - at);
    }
    if (reason.size() > 160) reason = reason.substr(0, 160) + "...";
    std::size_t line = 1, column = 1;
    lineAndColumn(text, byte == 0 ? 0 : byte - 1, line, column);
    return "not valid JSON at line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + reason;
}

// Finds a string literal longer than the limit before the parser copies it around.
bool findOverlongString(std::string_view text, std::size_t& start) {
    bool inString = false;
    bool escaped = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (!inString) {
            if (c == '"') {
                inString = true;
                start = i;
            }
            continue;
        }
        if (escaped) {
            escaped = false;
        } else if (c == '\\') {
            escaped = true;
        } else if (c == '"') {
            inString = false;
            continue;
        }
        if (i - start > kMaxStringChars) return true;
    }
    return false;
}

}  // namespace

bool parseModel(std::string_view jsonText, Model& model, ModelError& error) {
    Model parsed;
    std::size_t overlong = 0;
    if (findOverlongString(jsonText, overlong)) {
        std::size_t line = 0, column = 0;
        lineAndColumn(jsonText, overlong, line, column);
        error = {"$", "a string longer than " + std::to_string(kMaxStringChars) + " characters at line " +
                          std::to_string(line) + ", column " + std::to_string(column)};
        return false;
    }
    try {
        json document = json::parse(jsonText.begin(), jsonText.end());
        readModel(document, parsed);
    } catch (const json::parse_error& e) {
        error = {"$", parseErrorReason(e.what(), jsonText, e.byte)};
        return false;
    } catch (const Bad& bad) {
        error = {bad.path, bad.reason};
        return false;
    } catch (const std::bad_alloc&) {
        error = {"$", "out of memory"};
        return false;
    } catch (const std::exception& e) {
        error = {"$", e.what()};
        return false;
    }
    model = std::move(parsed);
    return true;
}

bool loadModelFile(const std::string& file, Model& model, ModelError& error) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = {"$", std::string("cannot be opened: ") + std::strerror(errno)};
        return false;
    }
    std::string text;
    struct stat st {};
    bool ok = true;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        error = {"$", "is a directory"};
        return false;
    }
    try {
        if (st.st_size > 0 && static_cast<std::uint64_t>(st.st_size) <= kMaxModelBytes)
            text.reserve(static_cast<std::size_t>(st.st_size));
        char buffer[65536];
        for (;;) {
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                error = {"$", std::string("cannot be read: ") + std::strerror(errno)};
                ok = false;
                break;
            }
            if (n == 0) break;
            text.append(buffer, static_cast<std::size_t>(n));
            if (text.size() > kMaxModelBytes) {
                error = {"$", "larger than " + std::to_string(kMaxModelBytes >> 20) + " MiB"};
                ok = false;
                break;
            }
        }
    } catch (const std::exception&) {
        error = {"$", "out of memory"};
        ok = false;
    }
    ::close(fd);
    return ok && parseModel(text, model, error);
}

std::string describeModelError(const std::string& file, const ModelError& error) {
    return "fabricsim: model " + file + ": " + error.path + ": " + error.reason;
}

}  // namespace fabricsim

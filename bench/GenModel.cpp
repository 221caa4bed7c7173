// Writes a simulator model of a SAN of a given scale to standard output.
//
// Scale 1 is one fabric of 8 switches of 64 ports, 256 attached end ports each
// with its own node, 32 platforms of 2 nodes, and a zone database of 2 zone sets
// of 200 zones of 4 members, the first of them active. Scale N multiplies every
// count by N. The probe's buffers bound what one fabric can answer (GPNL holds 32
// platforms), so scale N is N fabrics of the scale-1 size, each reached through
// its own port of one adapter.
//
// Usage: bench-genmodel SCALE
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kSwitches = 8;
constexpr int kPortsPerSwitch = 64;
constexpr int kEndPortsPerSwitch = 32;  // ports 0-31 carry one N_Port each
constexpr int kIslPort = 32;            // E_Port to the next switch of the ring
constexpr int kIslPeerPort = 33;        // E_Port to the previous switch
constexpr int kPlatforms = 32;
constexpr int kNodesPerPlatform = 2;
constexpr int kZoneSets = 2;
constexpr int kZonesPerSet = 200;
constexpr int kMembersPerZone = 4;
constexpr int kEndPorts = kSwitches * kEndPortsPerSwitch;

using Text = std::string;

Text switchWwn(int f, int s) {
    char t[32];
    std::snprintf(t, sizeof t, "10000005%02X%02X0000", f, s);
    return t;
}
Text switchPortWwn(int f, int s, int k) {
    char t[32];
    std::snprintf(t, sizeof t, "20%02X0005%02X%02X0000", k, f, s);
    return t;
}
// End port e of fabric f sits on switch e / 32, port e % 32; its node has the same digits.
Text endPortWwn(int f, int e) {
    char t[32];
    std::snprintf(t, sizeof t, "10000000%02X%02X%04X", f, e / kEndPortsPerSwitch, e % kEndPortsPerSwitch);
    return t;
}
Text nodeWwn(int f, int e) {
    char t[32];
    std::snprintf(t, sizeof t, "20000000%02X%02X%04X", f, e / kEndPortsPerSwitch, e % kEndPortsPerSwitch);
    return t;
}
Text adapterPortWwn(int f) {
    char t[32];
    std::snprintf(t, sizeof t, "10000000BE%02X0000", f);
    return t;
}
int domainOf(int f, int s) { return f * kSwitches + s + 1; }

void writeSwitch(std::FILE* out, int f, int s) {
    const int domain = domainOf(f, s);
    std::fprintf(out,
                 "        {\"wwn\": \"%s\", \"type\": 1, \"domain\": %d, \"logical_name\": \"bench-f%d-sw%d\", "
                 "\"mgmt_id\": \"FFFC%02X\", \"vendor\": \"Example Networks\", \"model\": \"X-64\", "
                 "\"release\": \"v9.1.0\", \"mgmt_addresses\": [\"snmp://192.0.2.%d\", \"http://192.0.2.%d\", "
                 "\"telnet://192.0.2.%d\"],\n         \"ports\": [\n",
                 switchWwn(f, s).c_str(), domain, f, s, domain, domain, domain, domain);
    for (int k = 0; k < kPortsPerSwitch; ++k) {
        const char* sep = k + 1 < kPortsPerSwitch ? "," : "";
        const std::string wwn = switchPortWwn(f, s, k);
        if (k < kEndPortsPerSwitch) {
            const int e = s * kEndPortsPerSwitch + k;
            std::fprintf(out,
                         "          {\"wwn\": \"%s\", \"type\": \"0x81\", \"state\": 1, \"physical\": %d, \"attached\": "
                         "[{\"wwn\": \"%s\", \"type\": 1, \"fcid\": \"%02X%02X00\", \"node_wwn\": \"%s\"}]}%s\n",
                         wwn.c_str(), k + 1, endPortWwn(f, e).c_str(), domain, k, nodeWwn(f, e).c_str(), sep);
        } else if (k == kIslPort || k == kIslPeerPort) {
            const int peer = k == kIslPort ? (s + 1) % kSwitches : (s + kSwitches - 1) % kSwitches;
            const int peerPort = k == kIslPort ? kIslPeerPort : kIslPort;
            std::fprintf(out,
                         "          {\"wwn\": \"%s\", \"type\": \"0x84\", \"state\": 1, \"physical\": %d, \"attached\": "
                         "[{\"wwn\": \"%s\", \"type\": \"0x84\", \"fcid\": null, \"node_wwn\": null}]}%s\n",
                         wwn.c_str(), k + 1, switchPortWwn(f, peer, peerPort).c_str(), sep);
        } else {
            std::fprintf(out,
                         "          {\"wwn\": \"%s\", \"type\": \"0x81\", \"state\": 2, \"physical\": %d, \"attached\": []}%s\n",
                         wwn.c_str(), k + 1, sep);
        }
    }
    std::fprintf(out, "        ]}%s\n", s + 1 < kSwitches ? "," : "");
}

void writePlatforms(std::FILE* out, int f) {
    std::fprintf(out, "      \"platforms\": [\n");
    for (int p = 0; p < kPlatforms; ++p) {
        std::fprintf(out,
                     "        {\"name\": \"host-f%02d-%02d\", \"type\": 10, \"mgmt_addresses\": [\"snmp://host-f%02d-%02d\", "
                     "\"http://host-f%02d-%02d\"], \"nodes\": [",
                     f, p, f, p, f, p);
        for (int n = 0; n < kNodesPerPlatform; ++n)
            std::fprintf(out, "%s\"%s\"", n ? ", " : "", nodeWwn(f, p * kNodesPerPlatform + n).c_str());
        std::fprintf(out, "]}%s\n", p + 1 < kPlatforms ? "," : "");
    }
    std::fprintf(out, "      ],\n");
}

void writeZoneSet(std::FILE* out, int f, int set, const char* indent) {
    std::fprintf(out, "%s{\"name\": \"cfg_f%02d_%d\", \"zones\": [\n", indent, f, set);
    for (int z = 0; z < kZonesPerSet; ++z) {
        std::fprintf(out, "%s  {\"name\": \"z_f%02d_%d_%04d\", \"members\": [", indent, f, set, z);
        for (int m = 0; m < kMembersPerZone; ++m) {
            const int e = (z * kMembersPerZone + m + set * 7) % kEndPorts;
            std::fprintf(out, "%s{\"type\": 1, \"id\": \"%s\"}", m ? ", " : "", endPortWwn(f, e).c_str());
        }
        std::fprintf(out, "]}%s\n", z + 1 < kZonesPerSet ? "," : "");
    }
    std::fprintf(out, "%s]}", indent);
}

void writeFabric(std::FILE* out, int f, bool last) {
    std::fprintf(out, "    \"F%02d\": {\n      \"name\": \"%s\",\n      \"switches\": [\n", f, switchWwn(f, 0).c_str());
    for (int s = 0; s < kSwitches; ++s) writeSwitch(out, f, s);
    std::fprintf(out, "      ],\n");
    writePlatforms(out, f);
    std::fprintf(out, "      \"zoning\": {\n        \"full_db\": true,\n        \"active\": ");
    writeZoneSet(out, f, 0, "        ");
    std::fprintf(out, ",\n        \"database\": [\n");
    for (int set = 0; set < kZoneSets; ++set) {
        writeZoneSet(out, f, set, "          ");
        std::fprintf(out, "%s\n", set + 1 < kZoneSets ? "," : "");
    }
    std::fprintf(out, "        ]\n      }\n    }%s\n", last ? "" : ",");
}

void writeModel(std::FILE* out, int scale) {
    std::fprintf(out, "{\n  \"_comment\": \"Benchmark SAN of scale %d: %d fabric(s) of the scale-1 size\",\n", scale, scale);
    std::fprintf(out, "  \"adapters\": [\n    {\"name\": \"bench-hba0\", \"node_wwn\": \"20000000BE000000\", \"ct_v2\": true, \"ports\": [\n");
    for (int f = 0; f < scale; ++f)
        std::fprintf(out, "      {\"wwn\": \"%s\", \"fcid\": \"%02XF000\", \"fabric\": \"F%02d\"}%s\n",
                     adapterPortWwn(f).c_str(), domainOf(f, 0), f, f + 1 < scale ? "," : "");
    std::fprintf(out, "    ]}\n  ],\n  \"fabrics\": {\n");
    for (int f = 0; f < scale; ++f) writeFabric(out, f, f + 1 == scale);
    std::fprintf(out, "  },\n  \"faults\": []\n}\n");
}

}  // namespace

int main(int argc, char** argv) {
    // Domain identifiers stop at 239; 8 switches per fabric allow 29 fabrics.
    const int maxScale = 239 / kSwitches;
    char* end = nullptr;
    const long scale = argc == 2 ? std::strtol(argv[1], &end, 10) : 0;
    if (argc != 2 || *end != '\0' || scale < 1 || scale > maxScale) {
        std::fprintf(stderr, "usage: %s SCALE   (1 to %d)\n", argc > 0 ? argv[0] : "bench-genmodel", maxScale);
        return 2;
    }
    writeModel(stdout, static_cast<int>(scale));
    return std::fflush(stdout) == 0 ? 0 : 1;
}

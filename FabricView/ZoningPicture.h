// A fabric's zoning as Graphviz draws it: a cluster per zone set copy holding its
// zones, each zone joined to its members; members shared by zones are drawn once.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "PictureLimits.h"
#include "Record.h"

class ZoningPicture {
public:
    ZoningPicture(const PictureLimits& limits, std::string id) : limits_(limits), id_(std::move(id)) {}
    void record(const Record& record);
    void writeDot(std::ostream& out) const;
    bool empty() const { return sets_.empty() && !hiddenSets_; }

private:
    struct ZoneSet {
        std::string name;
        bool active = false;
        char copy = '?';  // '0' read from the zone database, '1' from the active zone set
        std::string key;  // the identifier its zones name it by
        std::vector<int> zones;
        std::uint64_t hiddenZones = 0;
    };
    struct Zone {
        std::string name;
        std::vector<int> members;
        std::uint64_t memberCount = 0;
    };
    struct Member {
        std::string name, type;
    };

    const PictureLimits& limits_;
    std::string id_;
    std::vector<ZoneSet> sets_;
    std::uint64_t hiddenSets_ = 0;
    std::vector<Zone> zones_;
    std::unordered_map<std::string, int> zoneIndex_;
    std::vector<Member> members_;
    std::unordered_map<std::string, int> memberIndex_;
    std::uint64_t hiddenMembers_ = 0;

    int currentSet_ = -1;
    bool currentSetHidden_ = false;
    bool currentZoneRepeated_ = false;
    std::string pendingMemberId_;
    Member pendingMember_;
};

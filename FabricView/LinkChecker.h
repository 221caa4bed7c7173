// Checks, per fabric, that the records linking others point at records that exist:
// switch to port, port to port, node to port, zone set to zone, zone to member.
// Identifiers are kept as 64-bit hashes in plain vectors, at most maxItems of them
// (with the links waiting for an end) per fabric; a larger fabric is not
// link-checked, and a warning says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "Problems.h"
#include "Record.h"

constexpr std::size_t kDefaultMaxIds = 2000000;

class LinkChecker : public RecordSink {
public:
    LinkChecker(Problems& problems, std::size_t maxItems) : problems_(problems), maxItems_(maxItems) {}
    void fabricStart(const std::string& wwn, std::uint64_t line) override;
    void record(const Record& record) override;
    void fabricEnd(std::uint64_t line, bool closed) override;

    enum class Kind : unsigned char;
    enum class Rule : unsigned char;

private:
    struct Need {
        std::uint64_t key;
        std::uint64_t alternative;  // 0: none
        std::uint64_t line;
        Rule rule;
    };
    void have(Kind kind, std::string_view id);
    void need(Kind kind, std::string_view id, const Record& record, Rule rule);
    void needEither(Kind kind, Kind other, std::string_view id, const Record& record, Rule rule);
    bool room(const Record& record);

    Problems& problems_;
    std::size_t maxItems_;
    std::uint64_t fabricLine_ = 0;
    bool skipped_ = false;
    std::vector<std::uint64_t> have_;
    std::vector<Need> needs_;
};

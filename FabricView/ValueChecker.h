// Checks each record's values on its own: text forms, type names, and the parts
// of the zoning identifiers that must agree with the record's other fields.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "Problems.h"
#include "Record.h"

class ValueChecker : public RecordSink {
public:
    explicit ValueChecker(Problems& problems) : problems_(problems) {}
    void fabricStart(const std::string& wwn, std::uint64_t line) override;
    void record(const Record& record) override;

private:
    void checkTopology(const Record& record);
    void checkZoning(const Record& record);
    void bad(const Record& record, int column, const std::string& why);
    void wwn(const Record& record, int column);
    void fabricWwn(const Record& record, int column);
    void inFabric(const Record& record, int column);

    Problems& problems_;
    std::string fabric_;
    std::map<std::string, std::uint64_t> fabricsSeen_;
};

// The differences between two snapshots: fabrics matched by WWN, records by key.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "Snapshot.h"

struct DiffSide {
    std::string name;  // as the user gave it
    const Snapshot* snapshot;
};

// One document: "old", "new", "differences" (a count) and "fabrics", each with its
// "wwn", "change" ("added", "removed", "changed") and its record "changes" in
// kind order: {"kind", "change", "key", "label"} and, for an added or removed
// record, its "record" fields, for a changed one the "fields" that differ as
// {"field", "old", "new"}. Fabrics without differences are left out.
nlohmann::ordered_json diffSnapshots(const DiffSide& before, const DiffSide& after);

// The report for people: a heading per fabric and kind, "+" and "-" for records
// only in one file, "~ record field: old -> new" for each changed field.
std::string formatDiff(const nlohmann::ordered_json& diff);

// Which fault, if any, changes a request; each entry is used up after `times` requests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Model.h"

namespace fabricsim {

class FaultTable {
public:
    explicit FaultTable(std::vector<Fault> faults);

    // The first entry in list order that matches and has uses left, with one use taken;
    // null when none. `key` is null for a request without one.
    const Fault* take(GsCommand command, const std::string* key, Wwn port);

private:
    std::vector<Fault> faults_;
    std::vector<std::uint64_t> used_;
};

}  // namespace fabricsim

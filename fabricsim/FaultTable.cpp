#include "FaultTable.h"

#include <utility>

namespace fabricsim {

FaultTable::FaultTable(std::vector<Fault> faults) : faults_(std::move(faults)), used_(faults_.size(), 0) {}

const Fault* FaultTable::take(GsCommand command, const std::string* key, Wwn port) {
    for (std::size_t i = 0; i < faults_.size(); ++i) {
        const Fault& fault = faults_[i];
        if (fault.command != command) continue;
        if (fault.key && (key == nullptr || *fault.key != *key)) continue;
        if (fault.port && *fault.port != port) continue;
        if (fault.times && used_[i] >= *fault.times) continue;
        ++used_[i];
        return &fault;
    }
    return nullptr;
}

}  // namespace fabricsim

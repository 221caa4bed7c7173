#include "TopologyPicture.h"

#include "FieldFormats.h"

namespace {
constexpr std::size_t kMaxLinks = 100000;
}  // namespace

int TopologyPicture::switchFor(const std::string& wwn, bool create) {
    auto it = switchIndex_.find(wwn);
    if (it != switchIndex_.end()) return it->second;
    if (!create) return -1;
    if (switches_.size() >= limits_.switches) {
        ++hiddenSwitches_;
        switchIndex_.emplace(wwn, -1);  // bounded: at most one entry per listed switch
        return -1;
    }
    Switch s;
    s.wwn = wwn;
    switches_.push_back(s);
    switchIndex_.emplace(wwn, static_cast<int>(switches_.size() - 1));
    return static_cast<int>(switches_.size() - 1);
}

void TopologyPicture::record(const Record& record) {
    const Fields& f = record.fields;
    switch (record.section) {
        case Section::FabricToInterconnectElement: switchFor(f[0], true); break;
        case Section::InterconnectElement: describeSwitch(f); break;
        case Section::SwitchToPort:
            currentSwitch_ = switchFor(f[1], false);
            currentPhysical_.clear();
            break;
        case Section::SwitchPort: countSwitchPort(f); break;
        case Section::PortToPort: linkPort(f); break;
        case Section::Node:
            // A node right after a link is the attached port's; the others are platforms' nodes.
            if (hasPrevious_ && previous_ == Section::PortToPort)
                pendingNode_ = f[0];
            else
                addPlatformNode(f);
            break;
        case Section::NodeToPort:
            if (f[0] != pendingNode_ || f[1] != lastAttached_) pendingNode_.clear();
            if (attachedNodes_.size() < limits_.switchPorts) attachedNodes_.insert(hash64(f[0]));
            break;
        case Section::EndPort: addEndPort(f); break;
        default: break;
    }
    previous_ = record.section;
    hasPrevious_ = true;
}

void TopologyPicture::describeSwitch(const Fields& f) {
    currentSwitch_ = switchFor(f[0], true);
    if (currentSwitch_ < 0) return;
    Switch& s = switches_[currentSwitch_];
    s.described = true;
    s.type = f[2];
    s.domain = f[3];
    s.name = f[4];
    s.vendor = f[6];
    s.model = f[7];
    s.release = f[8];
}

void TopologyPicture::countSwitchPort(const Fields& f) {
    currentPhysical_ = f[3];
    if (currentSwitch_ < 0) return;
    Switch& s = switches_[currentSwitch_];
    ++s.ports;
    if (f[2] == "Online") ++s.online;
    ++s.portTypes[f[1]];
    if (portOwner_.size() < limits_.switchPorts) portOwner_[hash64(f[0])] = currentSwitch_;
}

void TopologyPicture::linkPort(const Fields& f) {
    auto owner = portOwner_.find(hash64(f[0]));
    lastAttachedSwitch_ = owner != portOwner_.end() ? owner->second : currentSwitch_;
    lastAttached_ = f[1];
    lastAttachedPhysical_ = currentPhysical_;
    pendingNode_.clear();
    if (lastAttachedSwitch_ >= 0 && links_.size() < kMaxLinks) links_.push_back({lastAttachedSwitch_, hash64(f[1])});
}

void TopologyPicture::addPlatformNode(const Fields& f) {
    auto it = platformIndex_.find(f[1]);
    if (it == platformIndex_.end()) {
        if (platforms_.size() >= limits_.platforms) {
            ++hiddenPlatforms_;
            if (platformIndex_.size() < limits_.platforms * 64) platformIndex_.emplace(f[1], -1);
            return;
        }
        platforms_.push_back({f[1], f[2], {}});
        it = platformIndex_.emplace(f[1], static_cast<int>(platforms_.size() - 1)).first;
    }
    if (it->second >= 0 && platforms_[it->second].nodes.size() < 1024) platforms_[it->second].nodes.push_back(f[0]);
}

void TopologyPicture::addEndPort(const Fields& f) {
    const int sw = f[0] == lastAttached_ ? lastAttachedSwitch_ : -1;
    if (sw < 0 || endPorts_.size() >= limits_.endPorts || switches_[sw].endPortsDrawn >= limits_.endPortsPerSwitch) {
        if (sw >= 0) ++switches_[sw].endPortsHidden;
        ++hiddenEndPorts_;
    } else {
        ++switches_[sw].endPortsDrawn;
        endPorts_.push_back({f[0], f[1], f[2], pendingNode_, lastAttachedPhysical_, sw});
    }
    pendingNode_.clear();
}

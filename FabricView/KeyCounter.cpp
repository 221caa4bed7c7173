#include "KeyCounter.h"

#include <algorithm>

#include "FieldFormats.h"

void KeyCounter::add(std::string_view id) { addKey(hash64(id)); }

void KeyCounter::addKey(std::uint64_t key) {
    // Duplicates are common (a node behind two ports): fold them away before growing.
    if (keys_.size() == keys_.capacity() && keys_.size() >= 1024) compact();
    keys_.push_back(key);
}

void KeyCounter::compact() {
    std::sort(keys_.begin(), keys_.end());
    keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
    sortedUpTo_ = keys_.size();
    // Few duplicates folded: grow instead of sorting again a few keys later.
    if (keys_.size() > keys_.capacity() / 4 * 3) keys_.reserve(keys_.capacity() * 2);
}

std::uint64_t KeyCounter::distinct() {
    if (sortedUpTo_ != keys_.size()) compact();
    return keys_.size();
}

bool KeyCounter::contains(std::uint64_t key) {
    if (sortedUpTo_ != keys_.size()) compact();
    return std::binary_search(keys_.begin(), keys_.end(), key);
}

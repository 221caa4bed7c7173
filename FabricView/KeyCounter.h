// Counts distinct identifiers by their 64-bit hashes: a plain vector, sorted and
// made unique only when it grows, so it costs eight bytes an identifier.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class KeyCounter {
public:
    void add(std::string_view id);
    void addKey(std::uint64_t key);
    std::uint64_t distinct();
    bool contains(std::uint64_t key);
    std::size_t held() const { return keys_.size(); }
    void clear() {
        keys_.clear();
        sortedUpTo_ = 0;
        missed = false;
    }
    bool missed = false;  // some identifier was not added

private:
    void compact();
    std::vector<std::uint64_t> keys_;
    std::size_t sortedUpTo_ = 0;
};

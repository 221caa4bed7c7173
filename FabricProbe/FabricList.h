// The fabrics a "specificfabrics" run wants: the input file read in pieces of
// at most 16 characters, as the agent's lines of 16 digits are written.
#pragma once

#include <array>
#include <vector>

class FabricList {
public:
    static constexpr int kMaxEntries = 1000;
    static constexpr int kPieceSize = 16;

    // 0 when read, else the errno of the failed open.
    int load(const char* path);
    int count() const { return static_cast<int>(entries_.size()); }
    // True when one entry equals name whole (a piece that kept its line feed never does).
    bool contains(const char* name) const;

private:
    std::vector<std::array<char, kPieceSize + 2>> entries_;
};

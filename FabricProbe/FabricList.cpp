#include "FabricList.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "naTrace.h"

int FabricList::load(const char* path) {
    entries_.clear();
    FILE* file = std::fopen(path, "r");
    if (!file) return errno ? errno : EIO;
    std::array<char, kPieceSize + 2> piece{};
    while (std::fgets(piece.data(), kPieceSize + 1, file)) {
        NATRACE(TR_MIN, "fabricin input files is%s\n", piece.data());
        entries_.push_back(piece);
        if (count() >= kMaxEntries) {
            NATRACE(TR_MIN, "exceeded max fabrics in iput file is %d\n", kMaxEntries);
            break;
        }
    }
    NATRACE(TR_MIN, "number fabrics in input file is %d\n", count());
    if (std::fclose(file) != 0) {
        int err = errno;
        NATRACE(TR_MIN, "error closing input file errorno %d description %s\n", err, std::strerror(err));
    }
    return 0;
}

bool FabricList::contains(const char* name) const {
    for (const auto& entry : entries_)
        if (std::strcmp(entry.data(), name) == 0) return true;
    return false;
}

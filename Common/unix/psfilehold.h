// Holds on a run's own log and trace: probes run side by side, and one run's
// pruning must never delete a file another run is still writing.
#pragma once

#include <memory>
#include <string>
#include <vector>

// A shared advisory lock (flock) on one file, kept while any copy of the hold
// lives; the descriptor is not inherited by programs the probe starts.
class PsFileHold {
public:
    PsFileHold() = default;
    bool held() const { return fd_ != nullptr; }

private:
    friend bool psHoldOpenFile(int fd, PsFileHold& hold);
    std::shared_ptr<const int> fd_;
};

// Holds a regular file this run has just opened, taking over fd. False, with
// fd closed, when the file was deleted before the hold was taken.
bool psHoldOpenFile(int fd, PsFileHold& hold);

// Opens path (creating it 0640, and its directory, when missing) and holds it.
// An empty hold when it cannot be opened or is no regular file: a link, a FIFO
// or a device in its place is left for the log's own open to report.
PsFileHold psHoldFile(const std::string& path);

// Deletes the files of one log or trace together, unless a live run holds one
// of them: then none is deleted and the result is false. A file that cannot be
// opened (a symbolic link in its place) is held by nobody.
bool psRemoveUnlessHeld(const std::vector<std::string>& paths);

#include "psfilehold.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "psnautil.h"
#include "ut/filemodes.h"
#include "ut/logutils.h"

namespace {

// A file deleted again and again between its open and its hold is given up.
constexpr int kHoldAttempts = 10;
// Pruning holds a file exclusively only while it deletes it; an exclusive lock
// held longer (by some other program) is not waited for beyond a second.
constexpr int kLockAttempts = 100;
constexpr useconds_t kLockPauseMicroseconds = 10000;

int lockFile(int fd, int operation) {
    int rc = 0;
    do rc = ::flock(fd, operation);
    while (rc != 0 && errno == EINTR);
    return rc;
}

void lockShared(int fd) {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        if (lockFile(fd, LOCK_SH | LOCK_NB) == 0 || errno != EWOULDBLOCK) return;
        ::usleep(kLockPauseMicroseconds);
    }
}

void closeHeld(const int* fd) {
    ::close(*fd);
    delete fd;
}

}  // namespace

bool psHoldOpenFile(int fd, PsFileHold& hold) {
    // Pruning deletes a file only while it holds it exclusively, so a file that
    // is still linked once the shared hold is granted stays while the hold lasts.
    // Where no lock can be had, the file is kept open without one.
    lockShared(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_nlink == 0) {
        ::close(fd);
        return false;
    }
    hold.fd_ = std::shared_ptr<const int>(new int(fd), closeHeld);
    return true;
}

PsFileHold psHoldFile(const std::string& path) {
    PsFileHold hold;
    bool madeDirectory = false;
    for (int attempt = 0; attempt < kHoldAttempts; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kPrivateFileMode);
        if (fd < 0) {
            const std::size_t slash = path.rfind('/');
            if (errno != ENOENT || madeDirectory || slash == std::string::npos || slash == 0) break;
            madeDirectory = true;
            if (logMakeDirectories(path.substr(0, slash)) != 0) break;
            continue;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            break;
        }
        if (psHoldOpenFile(fd, hold)) break;
    }
    return hold;
}

bool psRemoveUnlessHeld(const std::vector<std::string>& paths) {
    std::vector<int> locked;
    bool held = false;
    for (const std::string& path : paths) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        locked.push_back(fd);
        if (lockFile(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            held = true;
            break;
        }
    }
    // Deleted while held exclusively: a run that opened one of them meanwhile
    // finds it gone once its own hold is granted, and takes another.
    if (!held) {
        for (std::string path : paths) psRemoveFile(path);
    }
    for (int fd : locked) ::close(fd);
    return !held;
}

#include "GraphvizRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

extern char** environ;

namespace {

// Names tried beside OUT before giving up: each taken one is passed over.
constexpr int kTemporaryAttempts = 100;

// Closes a descriptor once, on every path.
struct Fd {
    int fd = -1;
    ~Fd() { close(); }
    void close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

// The temporary file beside OUT, removed on every path that does not rename it.
struct Temporary {
    std::string path;
    ~Temporary() {
        if (!path.empty()) ::unlink(path.c_str());
    }
};

std::string writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::strerror(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    return {};
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates the temporary file in OUT's directory exclusively: whatever stands at
// a name, a link included, is passed over and never written through. Empty, or
// what went wrong.
std::string createTemporary(const std::string& outPath, Temporary& temporary, Fd& file) {
    const std::string stem = outPath + ".tmp" + std::to_string(::getpid());
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        const std::string path = attempt == 0 ? stem : stem + "." + std::to_string(attempt);
        file.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (file.fd >= 0) {
            temporary.path = path;
            return {};
        }
        if (errno == EEXIST) continue;
        if (errno == ENOENT) return "cannot write " + outPath + ": the directory " + directoryOf(outPath) + " does not exist";
        return "cannot write " + outPath + ": " + std::strerror(errno);
    }
    return "cannot write " + outPath + ": every temporary name beside it is taken";
}

// Runs dot with the graph on its standard input and the SVG going to `svg`.
std::string runDot(const std::string& dot, int svg) {
    int fds[2];
    if (::pipe(fds) != 0) return std::string("cannot make a pipe: ") + std::strerror(errno);
    Fd readEnd{fds[0]}, writeEnd{fds[1]};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, readEnd.fd, 0);
    posix_spawn_file_actions_adddup2(&actions, svg, 1);
    posix_spawn_file_actions_addclose(&actions, writeEnd.fd);
    std::vector<char*> argv = {const_cast<char*>("dot"), const_cast<char*>("-Tsvg"), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "dot", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        if (spawned == ENOENT)
            return "the Graphviz program dot was not found on PATH (it comes with the graphviz package)";
        return std::string("cannot run the Graphviz program dot: ") + std::strerror(spawned);
    }
    readEnd.close();

    // dot may stop reading early; its exit status says why, not a SIGPIPE here.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    const std::string writeError = writeAll(writeEnd.fd, dot);
    writeEnd.close();
    ::sigaction(SIGPIPE, &previous, nullptr);

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) return "the Graphviz program dot was ended by signal " + std::to_string(WTERMSIG(status));
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
        return "the Graphviz program dot failed with exit status " + std::to_string(WEXITSTATUS(status));
    if (!writeError.empty()) return "cannot hand the graph to the Graphviz program dot: " + writeError;
    return {};
}

}  // namespace

std::string renderSvg(const std::string& dot, const std::string& outPath) {
    Temporary temporary;
    Fd svg;
    if (std::string failed = createTemporary(outPath, temporary, svg); !failed.empty()) return failed;
    if (std::string failed = runDot(dot, svg.fd); !failed.empty()) return failed;
    if (::close(svg.fd) != 0) {
        svg.fd = -1;
        return "cannot write " + outPath + ": " + std::strerror(errno);
    }
    svg.fd = -1;
    if (std::rename(temporary.path.c_str(), outPath.c_str()) != 0)
        return "cannot write " + outPath + ": " + std::strerror(errno);
    temporary.path.clear();
    return {};
}

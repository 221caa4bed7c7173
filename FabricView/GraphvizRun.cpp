#include "GraphvizRun.h"

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

// Closes a descriptor once, on every path.
struct Fd {
    int fd = -1;
    ~Fd() { close(); }
    void close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
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

}  // namespace

std::string renderSvg(const std::string& dot, const std::string& outPath) {
    const std::string temporary = outPath + ".tmp" + std::to_string(::getpid());
    int fds[2];
    if (::pipe(fds) != 0) return std::string("cannot make a pipe: ") + std::strerror(errno);
    Fd readEnd{fds[0]}, writeEnd{fds[1]};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, readEnd.fd, 0);
    posix_spawn_file_actions_addclose(&actions, writeEnd.fd);
    const std::string output = "-o" + temporary;
    std::vector<char*> argv = {const_cast<char*>("dot"), const_cast<char*>("-Tsvg"),
                               const_cast<char*>(output.c_str()), nullptr};
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
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && writeError.empty();
    if (!ok) {
        std::remove(temporary.c_str());
        if (WIFSIGNALED(status)) return "the Graphviz program dot was ended by signal " + std::to_string(WTERMSIG(status));
        if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
            return "the Graphviz program dot failed with exit status " + std::to_string(WEXITSTATUS(status));
        return "cannot hand the graph to the Graphviz program dot: " + writeError;
    }
    if (std::rename(temporary.c_str(), outPath.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        std::remove(temporary.c_str());
        return "cannot write " + outPath + ": " + why;
    }
    return {};
}

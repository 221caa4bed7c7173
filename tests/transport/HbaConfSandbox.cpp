#include "HbaConfSandbox.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "Files.h"

namespace {
bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// As root a mount namespace is enough; otherwise map ourselves to root in a user namespace.
std::string enterPrivateMounts() {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWNS) != 0) {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return std::string("unshare: ") + std::strerror(errno);
        try {
            writeFile("/proc/self/setgroups", "deny");
            writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
            writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
        } catch (const std::exception& e) {
            return e.what();
        }
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("mount --make-rprivate /: ") + std::strerror(errno);
    return "";
}

std::string replaceHbaConf(const std::optional<std::string>& conf) {
    if (!conf) {
        // Hiding all of /etc is the only way to make one file vanish; the child has
        // already loaded every library it links.
        if (::mount("none", "/etc", "tmpfs", 0, nullptr) != 0)
            return std::string("mount tmpfs /etc: ") + std::strerror(errno);
        return "";
    }
    char path[] = "/tmp/transport-hbaconf-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) return std::string("mkstemp: ") + std::strerror(errno);
    const bool written = writeAll(fd, *conf);
    ::close(fd);
    std::string error;
    if (!written)
        error = "cannot write the test hba.conf";
    else if (::mount(path, "/etc/hba.conf", nullptr, MS_BIND, nullptr) != 0)
        error = std::string("bind mount over /etc/hba.conf: ") + std::strerror(errno);
    ::unlink(path);  // the bind mount keeps the file alive
    return error;
}
}  // namespace

std::string fabricsimConfLine() { return "fabricsim " + stagePath("lib/libfabricsim.so") + "\n"; }

SandboxResult runWithHbaConf(const std::optional<std::string>& conf,
                             const std::vector<std::pair<std::string, std::string>>& env,
                             const std::function<std::string()>& body) {
    SandboxResult result;
    int fds[2];
    if (::pipe(fds) != 0) {
        result.error = "pipe failed";
        return result;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        result.error = "fork failed";
        ::close(fds[0]);
        ::close(fds[1]);
        return result;
    }
    if (pid == 0) {
        ::close(fds[0]);
        std::string error = enterPrivateMounts();
        if (error.empty()) error = replaceHbaConf(conf);
        if (!error.empty()) {
            writeAll(fds[1], "E" + error);
            ::_exit(2);
        }
        for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
        writeAll(fds[1], "R" + body());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string received;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        received.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }

    if (!received.empty() && received[0] == 'R' && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        result.ran = true;
        result.text = received.substr(1);
    } else if (!received.empty() && received[0] == 'E') {
        result.error = received.substr(1);
    } else if (WIFSIGNALED(status)) {
        result.error = "child killed by signal " + std::to_string(WTERMSIG(status));
    } else {
        result.error = "child ended with status " + std::to_string(WEXITSTATUS(status)) + " before finishing";
    }
    return result;
}

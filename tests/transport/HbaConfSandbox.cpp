#include "HbaConfSandbox.h"

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
#include "TempDir.h"

namespace {
std::string failed(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// As root a mount namespace is enough; otherwise map ourselves to root in a user namespace.
std::string enterPrivateMounts() {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWNS) != 0) {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return failed("unshare");
        try {
            writeFile("/proc/self/setgroups", "deny");
            writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
            writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
        } catch (const std::exception& e) {
            return e.what();
        }
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return failed("mount --make-rprivate /");
    return "";
}

std::string replaceHbaConf(const std::optional<std::string>& conf, const TempDir& dir) {
    // Hiding all of /etc is the only way to make one file vanish; the child has already
    // loaded every library it links.
    if (!conf) return ::mount("none", "/etc", "tmpfs", 0, nullptr) != 0 ? failed("mount tmpfs /etc") : "";
    if (::mount(dir.write("hba.conf", *conf).c_str(), "/etc/hba.conf", nullptr, MS_BIND, nullptr) != 0)
        return failed("bind mount over /etc/hba.conf");
    return "";
}
}  // namespace

std::string fabricsimConfLine() { return "fabricsim " + stagePath("lib/libfabricsim.so") + "\n"; }

SandboxResult runWithHbaConf(const std::optional<std::string>& conf,
                             const std::vector<std::pair<std::string, std::string>>& env,
                             const std::function<std::string()>& body) {
    SandboxResult result;
    const TempDir dir;  // the child's hba.conf and what it hands back ("R" text or "E" error)
    const std::string out = dir.file("result");
    const pid_t pid = ::fork();
    if (pid < 0) {
        result.error = "fork failed";
        return result;
    }
    if (pid == 0) {
        std::string error = enterPrivateMounts();
        if (error.empty()) error = replaceHbaConf(conf, dir);
        if (!error.empty()) {
            writeFile(out, "E" + error);
            ::_exit(2);
        }
        for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
        writeFile(out, "R" + body());
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const std::string received = fileExists(out) ? readFile(out) : "";
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

// fabricsim-run MODEL -- CMD [ARG...]
//
// Runs CMD with /etc/hba.conf replaced, for CMD's process tree only, by a file that lists
// the simulator library: a private mount namespace (inside a user namespace when not
// root) and a bind mount over /etc/hba.conf. The launcher execs CMD in its own process,
// so CMD keeps the caller's descriptors, gets its signals directly and its exit status
// is the launcher's.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kLauncherFailed = 125;
constexpr int kCannotExecute = 126;
constexpr int kNotFound = 127;
constexpr char kHbaConf[] = "/etc/hba.conf";

[[noreturn]] void die(const std::string& message) {
    std::fprintf(stderr, "fabricsim-run: %s\n", message.c_str());
    std::exit(kLauncherFailed);
}

std::string systemError(const std::string& what) { return what + ": " + std::strerror(errno); }

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return std::string();
    return resolved;
}

std::string directoryOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : path.substr(0, slash));
}

// <prefix>/bin/fabricsim-run -> <prefix>/lib/libfabricsim.so
std::string findLibrary() {
    std::string self = realPath("/proc/self/exe");
    if (self.empty()) die(systemError("cannot find this program's own path (/proc/self/exe)"));
    std::string library = directoryOf(directoryOf(self)) + "/lib/libfabricsim.so";
    if (::access(library.c_str(), R_OK) != 0) die(systemError("cannot use the simulator library " + library));
    for (char c : library)
        if (c == ' ' || c == '\t') die("the simulator library path " + library + " holds blanks, which hba.conf cannot express");
    return library;
}

bool writeFile(const char* path, const std::string& text) {
    int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

// Empty on success, else why not.
std::string enterPrivateMountNamespace() {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (uid == 0) {
        if (::unshare(CLONE_NEWNS) != 0)
            return systemError("cannot make a private mount namespace (unshare)") +
                   "; namespaces may be disabled in this container or kernel";
        return std::string();
    }
    // Like unshare --mount --map-root-user: root inside a user namespace of our own.
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return systemError("cannot make a user and mount namespace (unshare)") +
               "; run as root or allow unprivileged user namespaces";
    if (!writeFile("/proc/self/setgroups", "deny") ||
        !writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") ||
        !writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n"))
        return systemError("cannot map the user into its namespace");
    return std::string();
}

void usage() {
    std::fprintf(stderr,
                 "usage: fabricsim-run MODEL -- CMD [ARG...]\n"
                 "Runs CMD against the simulated SAN described by the JSON file MODEL.\n");
    std::exit(kLauncherFailed);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || std::strcmp(argv[2], "--") != 0) usage();

    const std::string model = realPath(argv[1]);
    if (model.empty()) die(systemError(std::string("model ") + argv[1]));
    const std::string library = findLibrary();

    struct stat st;
    if (::stat(kHbaConf, &st) != 0)
        die(systemError(std::string("cannot replace ") + kHbaConf) + " (the SNIA HBA API package, libhbaapi2, installs it)");
    if (!S_ISREG(st.st_mode)) die(std::string(kHbaConf) + " is not a regular file");

    const char* tmp = std::getenv("TMPDIR");
    std::string confPath = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/fabricsim-hba.conf.XXXXXX";
    int fd = ::mkstemp(&confPath[0]);
    if (fd < 0) die(systemError("cannot create a configuration file in " + directoryOf(confPath)));
    const std::string conf = "# Written by fabricsim-run for one command.\nfabricsim " + library + "\n";
    bool written = ::write(fd, conf.data(), conf.size()) == static_cast<ssize_t>(conf.size());
    ::fchmod(fd, 0644);
    ::close(fd);

    // The file is only needed until it is mounted (the mount keeps it): remove it on every path.
    std::string failure;
    if (!written) failure = systemError("cannot write " + confPath);
    if (failure.empty()) failure = enterPrivateMountNamespace();
    // Keep the bind mount out of the namespace we came from.
    if (failure.empty() && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        failure = systemError("cannot make the mount namespace private");
    if (failure.empty() && ::mount(confPath.c_str(), kHbaConf, nullptr, MS_BIND, nullptr) != 0)
        failure = systemError(std::string("cannot bind-mount over ") + kHbaConf);
    ::unlink(confPath.c_str());
    if (!failure.empty()) die(failure);

    if (::setenv("FABRICSIM_MODEL", model.c_str(), 1) != 0) die(systemError("cannot set FABRICSIM_MODEL"));
    ::execvp(argv[3], argv + 3);
    const int error = errno;
    std::fprintf(stderr, "fabricsim-run: cannot run %s: %s\n", argv[3], std::strerror(error));
    return error == ENOENT ? kNotFound : kCannotExecute;
}

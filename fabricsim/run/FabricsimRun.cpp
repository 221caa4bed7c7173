// fabricsim-run [--kernel [--driver NAME]] MODEL -- CMD [ARG...]
//
// --kernel serves the model as a stock Linux host instead: hba.conf lists only
// libhbalinux, a tree generated from the model stands in for the FC transport's
// sysfs, and a preloaded library answers for its bsg devices as the host's driver
// (--driver, default libfc) would.
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

#include "KernelHost.h"

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

constexpr char kHbaLinux[] = "/usr/lib/libhbalinux.so.2";

void checkConfPath(const std::string& library) {
    for (char c : library)
        if (c == ' ' || c == '\t') die("the library path " + library + " holds blanks, which hba.conf cannot express");
}

// <prefix>/bin/fabricsim-run -> <prefix>/lib/<name>
std::string findLibrary(const char* name) {
    std::string self = realPath("/proc/self/exe");
    if (self.empty()) die(systemError("cannot find this program's own path (/proc/self/exe)"));
    std::string library = directoryOf(directoryOf(self)) + "/lib/" + name;
    if (::access(library.c_str(), R_OK) != 0) die(systemError("cannot use the simulator library " + library));
    checkConfPath(library);
    return library;
}

// Debian's libhbalinux (package libhbalinux2); FABRICSIM_HBALINUX names another build of it.
std::string findHbaLinux() {
    const char* chosen = std::getenv("FABRICSIM_HBALINUX");
    const std::string library = chosen != nullptr && *chosen != '\0' ? chosen : kHbaLinux;
    if (::access(library.c_str(), R_OK) != 0)
        die(systemError("--kernel needs libhbalinux at " + library) +
            " (Debian package libhbalinux2, or FABRICSIM_HBALINUX)");
    checkConfPath(library);
    return library;
}

// The kernel mode's stand-in for /dev/bsg, ahead of whatever the caller preloads.
void preload(const std::string& library) {
    const char* before = std::getenv("LD_PRELOAD");
    const std::string list = before != nullptr && *before != '\0' ? library + ":" + before : library;
    if (::setenv("LD_PRELOAD", list.c_str(), 1) != 0) die(systemError("cannot set LD_PRELOAD"));
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
               "; run as root or allow unprivileged user namespaces (a chroot never allows them)";
    if (!writeFile("/proc/self/setgroups", "deny") ||
        !writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") ||
        !writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n"))
        return systemError("cannot map the user into its namespace");
    return std::string();
}

void usage() {
    std::fprintf(stderr,
                 "usage: fabricsim-run [--kernel [--driver NAME]] MODEL -- CMD [ARG...]\n"
                 "Runs CMD against the simulated SAN described by the JSON file MODEL;\n"
                 "--kernel serves it through libhbalinux and the kernel's FC transport, with\n"
                 "hosts of the driver NAME: %s (default libfc).\n",
                 fabricsim::kernelDriverNames().c_str());
    std::exit(kLauncherFailed);
}

struct Options {
    bool kernel = false;
    fabricsim::KernelDriver driver = fabricsim::KernelDriver::Libfc;
};

// Takes the options off the front of argv.
Options parseOptions(int& argc, char**& argv) {
    Options options;
    options.kernel = argc > 1 && std::strcmp(argv[1], "--kernel") == 0;
    if (options.kernel) {
        --argc;
        ++argv;
    }
    if (argc > 1 && std::strcmp(argv[1], "--driver") == 0) {
        if (!options.kernel || argc < 3) usage();
        if (!fabricsim::kernelDriverByName(argv[2], options.driver))
            die(std::string("no simulated driver is called ") + argv[2] + "; the drivers are " +
                fabricsim::kernelDriverNames());
        argc -= 2;
        argv += 2;
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const bool kernel = options.kernel;
    if (argc < 4 || std::strcmp(argv[2], "--") != 0) usage();

    const std::string model = realPath(argv[1]);
    if (model.empty()) die(systemError(std::string("model ") + argv[1]));
    const std::string library = kernel ? findHbaLinux() : findLibrary("libfabricsim.so");
    const std::string shim = kernel ? findLibrary("libfabricsim-kernel.so") : std::string();

    struct stat st;
    if (::stat(kHbaConf, &st) != 0)
        die(systemError(std::string("cannot replace ") + kHbaConf) + " (the SNIA HBA API package, libhbaapi2, installs it)");
    if (!S_ISREG(st.st_mode)) die(std::string(kHbaConf) + " is not a regular file");

    const char* tmp = std::getenv("TMPDIR");
    std::string confPath = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/fabricsim-hba.conf.XXXXXX";
    int fd = ::mkstemp(&confPath[0]);
    if (fd < 0) die(systemError("cannot create a configuration file in " + directoryOf(confPath)));
    const std::string conf = "# Written by fabricsim-run for one command.\n" +
                             std::string(kernel ? "org.open-fcoe.libhbalinux\t" : "fabricsim ") + library + "\n";
    bool written = ::write(fd, conf.data(), conf.size()) == static_cast<ssize_t>(conf.size());
    ::fchmod(fd, 0644);
    ::close(fd);

    // The file is only needed until it is mounted (the mount keeps it): remove it on every path.
    std::string failure;
    if (!written) failure = systemError("cannot write " + confPath);
    if (failure.empty()) failure = enterPrivateMountNamespace();
    // Keep the bind mount out of the namespace we came from.
    if (failure.empty() && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        const bool notAMountPoint = errno == EINVAL;
        failure = systemError("cannot make the mount namespace private");
        if (notAMountPoint)
            failure += "; / is not a mount point here (a chroot?): bind-mount the root directory on itself "
                       "before entering it (mount --bind DIR DIR; chroot DIR)";
    }
    if (failure.empty() && ::mount(confPath.c_str(), kHbaConf, nullptr, MS_BIND, nullptr) != 0)
        failure = systemError(std::string("cannot bind-mount over ") + kHbaConf);
    ::unlink(confPath.c_str());
    if (failure.empty() && kernel) failure = serveModelAsKernelHost(model, options.driver);
    if (!failure.empty()) die(failure);
    if (kernel) {
        preload(shim);
        if (::setenv("FABRICSIM_DRIVER", fabricsim::kernelDriverName(options.driver), 1) != 0)
            die(systemError("cannot set FABRICSIM_DRIVER"));
    }

    if (::setenv("FABRICSIM_MODEL", model.c_str(), 1) != 0) die(systemError("cannot set FABRICSIM_MODEL"));
    ::execvp(argv[3], argv + 3);
    const int error = errno;
    std::fprintf(stderr, "fabricsim-run: cannot run %s: %s\n", argv[3], std::strerror(error));
    return error == ENOENT ? kNotFound : kCannotExecute;
}

// libfabricsim-kernel.so: preloaded by fabricsim-run --kernel, it stands in for the
// kernel's FC bsg devices, /dev/bsg/fc_host<N> and /dev/bsg/rport-<H>:<C>-<R>. An open of
// one gives a memfd; SG_IO on it is carried out as the kernel and the simulated host's
// driver (FABRICSIM_DRIVER) would, and answered from the model by the simulator, with its
// faults, call log and capture. Everything else goes to the C library untouched.
// Both open and open64 are defined here: they must be seen as the two functions they are.
#undef _FILE_OFFSET_BITS
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/bsg.h>
#include <scsi/sg.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "BsgSgIo.h"
#include "KernelHosts.h"
#include "Simulator.h"

namespace {
using fabricsim::KernelHost;
using fabricsim::Simulator;

constexpr char kDevicePrefix[] = "/dev/bsg/";

// An open device: the host, and the remote port when it is one.
struct OpenDevice {
    const KernelHost* host = nullptr;
    const fabricsim::KernelRport* rport = nullptr;
};

// The simulator is made on the first open of a device, once, without gLock held: loading
// opens and closes files, and close comes back here. gLock guards the descriptor map only.
std::once_flag gLoaded;
std::mutex gLock;
std::unique_ptr<Simulator> gSimulator;
fabricsim::KernelDriver gDriver = fabricsim::KernelDriver::Libfc;
std::vector<KernelHost> gHosts;
std::map<int, OpenDevice> gOpen;

template <class F>
F realFunction(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// /dev/bsg/fc_host* and /dev/bsg/rport-*: the FC transport's devices; other bsg devices of
// the machine are left alone.
bool isFcBsgPath(const char* path) {
    if (path == nullptr || std::strncmp(path, kDevicePrefix, sizeof kDevicePrefix - 1) != 0) return false;
    const char* name = path + sizeof kDevicePrefix - 1;
    return std::strncmp(name, "fc_host", 7) == 0 || std::strncmp(name, "rport-", 6) == 0;
}

void load() {
    std::string error;
    try {
        const char* driver = std::getenv("FABRICSIM_DRIVER");
        if (driver != nullptr && *driver != '\0' && !fabricsim::kernelDriverByName(driver, gDriver))
            error = std::string("FABRICSIM_DRIVER names no simulated driver: ") + driver;
        else
            gSimulator = Simulator::fromEnvironment(error);
        if (gSimulator) gHosts = fabricsim::kernelHosts(gSimulator->model(), gDriver);
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (!gSimulator) std::fprintf(stderr, "fabricsim-kernel: %s\n", error.c_str());
}

// The device a /dev/bsg/ name stands for; no host when there is none of that name.
OpenDevice findDevice(const char* name) {
    std::call_once(gLoaded, load);
    for (const KernelHost& host : gHosts) {
        if (name == "fc_host" + std::to_string(host.number)) return {&host, nullptr};
        for (const fabricsim::KernelRport& rport : host.rports)
            if (name == rport.name) return {&host, &rport};
    }
    return {};
}

int openDevice(const char* path) {
    const char* name = path + sizeof kDevicePrefix - 1;
    const OpenDevice device = findDevice(name);
    if (device.host == nullptr) {
        errno = ENOENT;
        return -1;
    }
    const int fd = static_cast<int>(::syscall(SYS_memfd_create, name, MFD_CLOEXEC));
    if (fd < 0) return fd;
    std::lock_guard<std::mutex> lock(gLock);
    gOpen[fd] = device;
    return fd;
}

// open, open64, openat and openat64 alike: a bsg device path is ours, any other goes
// to the C library's function of that name.
int openAt(const char* realName, int dirfd, const char* path, int flags, va_list ap) {
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, mode_t) : 0;
    if (isFcBsgPath(path)) return openDevice(path);
    void* real = ::dlsym(RTLD_NEXT, realName);
    if (dirfd == AT_FDCWD && std::strncmp(realName, "openat", 6) != 0)
        return reinterpret_cast<int (*)(const char*, int, ...)>(real)(path, flags, mode);
    return reinterpret_cast<int (*)(int, const char*, int, ...)>(real)(dirfd, path, flags, mode);
}
}  // namespace

extern "C" {

#define FABRICSIM_OPEN_WRAPPER(name, dirfd, ...)         \
    __attribute__((visibility("default"))) int name(__VA_ARGS__, int flags, ...) { \
        va_list ap;                                          \
        va_start(ap, flags);                                 \
        const int fd = openAt(#name, dirfd, path, flags, ap); \
        va_end(ap);                                          \
        return fd;                                           \
    }
FABRICSIM_OPEN_WRAPPER(open, AT_FDCWD, const char* path)
FABRICSIM_OPEN_WRAPPER(open64, AT_FDCWD, const char* path)
FABRICSIM_OPEN_WRAPPER(openat, dirfd, int dirfd, const char* path)
FABRICSIM_OPEN_WRAPPER(openat64, dirfd, int dirfd, const char* path)

// The wrapped close runs after the lock is let go: whatever it calls may come back here.
__attribute__((visibility("default"))) int close(int fd) {
    {
        std::lock_guard<std::mutex> lock(gLock);
        gOpen.erase(fd);
    }
    static auto real = realFunction<int (*)(int)>("close");
    return real(fd);
}

__attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) {
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    if (request == SG_IO) {
        std::unique_lock<std::mutex> lock(gLock);
        auto it = gOpen.find(fd);
        if (it != gOpen.end()) {
            const OpenDevice device = it->second;
            lock.unlock();  // the simulator has its own lock and may sleep for a fault's delay
            if (arg == nullptr) {
                errno = EFAULT;
                return -1;
            }
            try {
                return fabricsim::bsgSgIo(*gSimulator, gDriver, *device.host, device.rport, *static_cast<sg_io_v4*>(arg));
            } catch (...) {
                errno = ENOMEM;
                return -1;
            }
        }
    }
    static auto real = realFunction<int (*)(int, unsigned long, ...)>("ioctl");
    return real(fd, request, arg);
}

}  // extern "C"

// libfabricsim-kernel.so: preloaded by fabricsim-run --kernel, it stands in for the
// kernel's FC bsg devices /dev/bsg/fc_host<N>. An open of one gives a memfd; SG_IO with
// FC_BSG_HST_CT on it is answered from the model by the simulator, with its faults,
// call log and capture. Everything else goes to the C library untouched.
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

#include "FcBsg.h"
#include "KernelHosts.h"
#include "Simulator.h"

namespace {
using fabricsim::KernelHost;
using fabricsim::Simulator;

constexpr char kDevicePrefix[] = "/dev/bsg/fc_host";

// The simulator is made on the first open of a device, once, without gLock held: loading
// opens and closes files, and close comes back here. gLock guards the descriptor map only.
std::once_flag gLoaded;
std::mutex gLock;
std::unique_ptr<Simulator> gSimulator;
std::vector<KernelHost> gHosts;
std::map<int, KernelHost> gOpen;

template <class F>
F realFunction(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// N of /dev/bsg/fc_host<N>; -1 for any other path.
long hostNumberOf(const char* path) {
    if (path == nullptr || std::strncmp(path, kDevicePrefix, sizeof kDevicePrefix - 1) != 0) return -1;
    const char* digits = path + sizeof kDevicePrefix - 1;
    if (*digits < '0' || *digits > '9') return -1;
    char* end = nullptr;
    const long n = std::strtol(digits, &end, 10);
    return *end == '\0' ? n : -1;
}

void load() {
    std::string error;
    try {
        gSimulator = Simulator::fromEnvironment(error);
        if (gSimulator) gHosts = fabricsim::kernelHosts(gSimulator->model());
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (!gSimulator) std::fprintf(stderr, "fabricsim-kernel: %s\n", error.c_str());
}

const KernelHost* findHost(long number) {
    std::call_once(gLoaded, load);
    for (const KernelHost& host : gHosts)
        if (static_cast<long>(host.number) == number) return &host;
    return nullptr;
}

int openDevice(long number) {
    const KernelHost* host = findHost(number);
    if (host == nullptr) {
        errno = ENOENT;
        return -1;
    }
    const std::string name = "fc_host" + std::to_string(number);
    const int fd = static_cast<int>(::syscall(SYS_memfd_create, name.c_str(), MFD_CLOEXEC));
    if (fd < 0) return fd;
    std::lock_guard<std::mutex> lock(gLock);
    gOpen[fd] = *host;
    return fd;
}

void writeReply(sg_io_v4& io, std::int32_t result, std::uint32_t received) {
    FcBsgReply reply;
    std::memset(&reply, 0, sizeof reply);
    reply.result = static_cast<std::uint32_t>(result);
    reply.reply_payload_rcv_len = received;
    reply.reply_data.ctels_reply.status = FC_CTELS_STATUS_OK;
    const std::uint32_t length = io.max_response_len < sizeof reply ? io.max_response_len : sizeof reply;
    if (io.response != 0 && length > 0) std::memcpy(reinterpret_cast<void*>(io.response), &reply, length);
    io.response_len = length;
    io.din_resid = static_cast<std::int32_t>(io.din_xfer_len - received);
    io.dout_resid = 0;
}

// A request the real FC transport would refuse: -EINVAL in the reply, as the kernel does.
int answer(const KernelHost& host, sg_io_v4& io) {
    if (io.guard != 'Q' || io.protocol != BSG_PROTOCOL_SCSI || io.subprotocol != BSG_SUB_PROTOCOL_SCSI_TRANSPORT) {
        errno = EINVAL;
        return -1;
    }
    FcBsgRequest cdb;
    std::memset(&cdb, 0, sizeof cdb);
    if (io.request == 0 || io.request_len < sizeof cdb || io.dout_xferp == 0 || io.dout_xfer_len < 16) {
        writeReply(io, -EINVAL, 0);
        return 0;
    }
    std::memcpy(&cdb, reinterpret_cast<const void*>(io.request), sizeof cdb);
    const auto* ct = reinterpret_cast<const std::uint8_t*>(io.dout_xferp);
    const std::uint32_t destination = (std::uint32_t(cdb.rqst_data.h_ct.port_id[0]) << 16) |
                                      (std::uint32_t(cdb.rqst_data.h_ct.port_id[1]) << 8) |
                                      cdb.rqst_data.h_ct.port_id[2];
    if (cdb.msgcode != FC_BSG_HST_CT || destination != ctDestination(ct[4])) {
        writeReply(io, -EINVAL, 0);
        return 0;
    }
    std::uint32_t returned = 0;
    const std::uint32_t status = gSimulator->kernelPassThrough(
        host.adapter, host.port, ct, io.dout_xfer_len, reinterpret_cast<void*>(io.din_xferp), io.din_xfer_len, &returned);
    if (status != fabricsim::status::kOk) {
        writeReply(io, -EIO, 0);
        return 0;
    }
    writeReply(io, 0, returned);
    return 0;
}

// open, open64, openat and openat64 alike: a bsg device path is ours, any other goes
// to the C library's function of that name.
int openAt(const char* realName, int dirfd, const char* path, int flags, va_list ap) {
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, mode_t) : 0;
    const long number = hostNumberOf(path);
    if (number >= 0) return openDevice(number);
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
            const KernelHost host = it->second;
            lock.unlock();  // the simulator has its own lock and may sleep for a fault's delay
            if (arg == nullptr) {
                errno = EFAULT;
                return -1;
            }
            try {
                return answer(host, *static_cast<sg_io_v4*>(arg));
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

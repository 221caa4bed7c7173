#include "KernelHost.h"

#include <dirent.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "KernelHosts.h"
#include "ModelLoader.h"

namespace {
constexpr char kSysClass[] = "/sys/class";
constexpr char kPciDevices[] = "/sys/bus/pci/devices";

std::string mountTree(const char* where) {
    if (::mount("fabricsim-sysfs", where, "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC, "mode=0755") != 0)
        return std::string("cannot mount the generated tree over ") + where + ": " + std::strerror(errno) +
               " (bind mounts need root, or a user namespace that may mount)";
    return std::string();
}

// libhbalinux numbers adapters in directory order; the tree must list its hosts in model order.
std::string checkHostOrder(std::size_t hosts) {
    const std::string dir = std::string(kSysClass) + "/fc_host";
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return "cannot read back " + dir + ": " + std::strerror(errno);
    std::vector<std::string> seen;
    while (const dirent* e = ::readdir(d))
        if (std::strncmp(e->d_name, "host", 4) == 0) seen.push_back(e->d_name);
    ::closedir(d);
    for (std::size_t i = 0; i < seen.size(); ++i)
        if (seen[i] != "host" + std::to_string(i) || seen.size() != hosts)
            return dir + " does not list its hosts in model order on this kernel; adapter order would differ";
    return std::string();
}
}  // namespace

std::string serveModelAsKernelHost(const std::string& modelPath, fabricsim::KernelDriver driver) {
    fabricsim::Model model;
    fabricsim::ModelError error;
    if (!fabricsim::loadModelFile(modelPath, model, error)) return fabricsim::describeModelError(modelPath, error);
    std::string failure = mountTree(kSysClass);
    if (failure.empty()) failure = mountTree(kPciDevices);
    if (failure.empty()) failure = fabricsim::writeSysfsTree(model, driver, kSysClass, kPciDevices);
    if (failure.empty()) failure = checkHostOrder(fabricsim::kernelHosts(model, driver).size());
    return failure;
}

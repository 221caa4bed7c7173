// The model served as a Linux host with the kernel's FC transport (kernel mode): one
// fc_host per adapter port that has a fabric, in model order, and the sysfs tree
// libhbalinux reads for them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "Model.h"

namespace fabricsim {

struct KernelHost {
    std::size_t adapter = 0;  // indexes into the model
    std::size_t port = 0;
    unsigned number = 0;      // host<N>, /dev/bsg/fc_host<N>
    std::string ifname;       // the net interface the symbolic name says it runs over
    std::string pciAddress;   // 0000:BB:DD.0
    bool pciFunction = true;  // false for a port with fail_attributes: libhbalinux then reports no port
};

// Adapters that fail to be named, opened or read have no fc_host: the vendor mode filters them too.
std::vector<KernelHost> kernelHosts(const Model& model);

// Writes the tree under classDir (seen as /sys/class) and pciDir (seen as
// /sys/bus/pci/devices); its links are absolute and point at those final places.
// Empty on success, else what failed.
std::string writeSysfsTree(const Model& model, const std::string& classDir, const std::string& pciDir);

}  // namespace fabricsim

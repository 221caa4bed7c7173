// The model served as a Linux host with the kernel's FC transport (kernel mode): one
// fc_host per adapter port that has a fabric, in model order, the remote ports its driver
// registers for the fabric's servers, and the sysfs tree that shows them as the kernel
// lays it out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "KernelDriver.h"
#include "Model.h"

namespace fabricsim {

struct KernelRport {
    std::string name;         // rport-<host>:0-<number>: /sys/class/fc_remote_ports/<name>, /dev/bsg/<name>
    std::uint32_t portId = 0; // a fabric server's well-known address
    Wwn portName = 0;
    Wwn nodeName = 0;
};

struct KernelHost {
    std::size_t adapter = 0;  // indexes into the model
    std::size_t port = 0;
    unsigned number = 0;      // host<N>, /dev/bsg/fc_host<N>
    std::string ifname;       // FCoE: the net interface the symbolic name says it runs over
    std::string pciAddress;   // 0000:BB:DD.0
    bool pciFunction = true;  // FCoE with fail_attributes: none, so libhbalinux reports no port
    bool online = true;       // a native port with fail_attributes shows port_state Linkdown
    std::string device;       // the host's device directory, as seen: fc_host, scsi_host, bsg, rports
    std::vector<KernelRport> rports;
};

// Adapters that fail to be named, opened or read have no fc_host: the vendor mode filters them too.
std::vector<KernelHost> kernelHosts(const Model& model, KernelDriver driver = KernelDriver::Libfc);

// Writes the tree under classDir (seen as /sys/class) and pciDir (seen as
// /sys/bus/pci/devices). Class entries are links into the devices' directories, as in
// sysfs; every link is absolute and points at those final places. Empty on success, else
// what failed.
std::string writeSysfsTree(const Model& model, KernelDriver driver, const std::string& classDir,
                           const std::string& pciDir);

}  // namespace fabricsim

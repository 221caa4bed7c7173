// What sysfs shows of the kernel's FC transport: its fc_hosts, which one serves an
// adapter port, and the remote ports through which a host reaches the fabric's servers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "GsTypes.h"
#include "SysfsAttribute.h"

// Where the kernel shows its classes and bsg devices; tests point them at trees of their own.
struct SysfsPaths {
    std::string classDir = "/sys/class";  // fc_host, fc_remote_ports, scsi_host
    std::string devDir = "/dev/bsg";
    std::string fcHost(unsigned host) const { return classDir + "/fc_host/host" + std::to_string(host); }
};

// One fc_host's port as its attributes give it.
struct FcHostPort {
    unsigned number = 0;     // host<N>
    Wwn portName{};
    Wwn nodeName{};          // all zeros when unreadable
    std::uint32_t portId = 0;
    bool portIdRead = false;
    std::string state;       // port_state ("Online", "Linkdown", ...); empty when unreadable
};

// The N of every host<N> under <classDir>/fc_host, ascending; empty when there is no
// such class (no kernel FC transport).
std::vector<unsigned> fcHostNumbers(const SysfsPaths& paths);

// The attributes of host<N>. False, traced, when its port_name is missing or garbage:
// such a host can be matched with no port.
bool readFcHostPort(const SysfsPaths& paths, unsigned number, FcHostPort& port);

// True with hostNumber = N when host<N>'s port_name equals portWwn; hosts without a
// readable port_name are traced and passed over. A host without the class has no
// kernel FC transport: false, quietly.
bool findFcHost(const SysfsPaths& paths, const Wwn& portWwn, unsigned& hostNumber);

// The name (rport-H:C-R, also its bsg device's) of host's remote port whose port_id is
// portId and whose port_state is Online; empty when it has none.
std::string onlineRport(const SysfsPaths& paths, unsigned host, std::uint32_t portId);

#include "KernelDriver.h"

#include <cerrno>
#include <cstring>

namespace fabricsim {
namespace {

constexpr std::uint32_t kNameServer = 0xFFFFFCu;
constexpr std::uint32_t kManagementServer = 0xFFFFFAu;

struct DriverEntry {
    KernelDriver driver;
    const char* name;
    DriverLook look;
};

// proc_name: qla2xxx's host template names no proc_name, and the kernel prints the null
// pointer as "(null)" (scsi_sysfs.c shost_rd_attr2). Drivers that are PCI functions of their
// own show a Fibre Channel class; FCoE runs over an Ethernet function (the 82599's ixgbe has
// ndo_fcoe_get_hbainfo, hence FDMI; the 82574L's e1000e has not).
const DriverEntry kDrivers[] = {
    {KernelDriver::Libfc, "libfc", {"fcoe", "ixgbe", 0x8086, 0x10fb, 0x020000, "10 Gbit", true}},
    {KernelDriver::LibfcNoFdmi, "libfc-nofdmi", {"fcoe", "e1000e", 0x8086, 0x10d3, 0x020000, "1 Gbit", true}},
    {KernelDriver::Qla2xxx, "qla2xxx", {"(null)", "qla2xxx", 0x1077, 0x2532, 0x0c0400, "8 Gbit", false}},
    {KernelDriver::Lpfc, "lpfc", {"lpfc", "lpfc", 0x10df, 0xf100, 0x0c0400, "8 Gbit", false}},
    {KernelDriver::Other, "other", {"simfc", "simfc", 0x1234, 0x11fc, 0x0c0400, "16 Gbit", false}},
};

const DriverEntry& entryOf(KernelDriver driver) {
    for (const DriverEntry& entry : kDrivers)
        if (entry.driver == driver) return entry;
    return kDrivers[0];
}

std::uint8_t byteAt(const BsgJob& job, std::size_t offset) {
    return offset < job.requestLen ? job.request[offset] : 0;  // what lies past request_len reads as zero
}

// port_id[3] of fc_bsg_host_ct / fc_bsg_host_els, at offset 5, most significant byte first.
std::uint32_t portIdAt(const BsgJob& job) {
    return (std::uint32_t(byteAt(job, 5)) << 16) | (std::uint32_t(byteAt(job, 6)) << 8) | byteAt(job, 7);
}

// A u32 of the request as the host's CPU reads it from memory.
std::uint32_t hostWordAt(const BsgJob& job, std::size_t offset) {
    const std::uint8_t bytes[4] = {byteAt(job, offset), byteAt(job, offset + 1), byteAt(job, offset + 2),
                                   byteAt(job, offset + 3)};
    std::uint32_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

DriverRoute refused(int error) {
    DriverRoute route;
    route.error = error;
    return route;
}

DriverRoute to(std::uint32_t destination, bool els) {
    DriverRoute route;
    route.destination = destination;
    route.els = els;
    return route;
}

bool isServerRport(KernelDriver driver, std::uint32_t id) {
    for (std::uint32_t server : serverRports(driver))
        if (server == id) return true;
    return false;
}

// fc_lport_bsg_request (fc_lport.c:2137-2198): FFFFFC through the logged-in name server,
// any other id only when it is a remote port of the host; the preamble is not read.
DriverRoute libfcRoute(KernelDriver driver, std::uint32_t msgcode, const BsgJob& job) {
    switch (msgcode) {
    case bsgmsg::kRportEls: return to(job.rportId, true);
    case bsgmsg::kRportCt: return to(job.rportId, false);
    case bsgmsg::kHostElsNoLogin: return to(portIdAt(job), true);
    case bsgmsg::kHostCt: {
        const std::uint32_t did = portIdAt(job);
        return did == kNameServer || isServerRport(driver, did) ? to(did, false) : refused(EINVAL);
    }
    default: return refused(EINVAL);
    }
}

// qla24xx_bsg_request (qla_bsg.c:3041-3118). HST_CT goes by the loop id in the top byte of
// preamble_word1 read as a host-order integer (qla2x00_process_ct, qla_bsg.c:510-524), not
// by port_id. HST_ELS_NOLOGIN stores port_id[0] as the AL_PA (qla_bsg.c:363-368): the
// destination is port_id read least significant byte first.
DriverRoute qla2xxxRoute(std::uint32_t msgcode, const BsgJob& job) {
    switch (msgcode) {
    case bsgmsg::kRportEls: return to(job.rportId, true);
    case bsgmsg::kHostElsNoLogin:
        return to((std::uint32_t(byteAt(job, 7)) << 16) | (std::uint32_t(byteAt(job, 6)) << 8) | byteAt(job, 5), true);
    case bsgmsg::kHostCt:
        switch (hostWordAt(job, 12) >> 24) {
        case 0xFC: return to(kNameServer, false);
        case 0xFA: return to(kManagementServer, false);
        default: return refused(EINVAL);  // "Unknown loop id"
        }
    default: return refused(EINVAL);
    }
}

// lpfc_bsg_request (lpfc_bsg.c:5565-5590): remote-port requests only.
DriverRoute rportOnlyRoute(std::uint32_t msgcode, const BsgJob& job) {
    switch (msgcode) {
    case bsgmsg::kRportEls: return to(job.rportId, true);
    case bsgmsg::kRportCt: return to(job.rportId, false);
    default: return refused(EINVAL);
    }
}

// fc_bsg_host_dispatch and fc_bsg_rport_dispatch (scsi_transport_fc.c:4087-4225): 0 when the
// job goes on to the driver.
int transportCheck(std::uint32_t msgcode, const BsgJob& job) {
    const bool payloads = job.doutLen != 0 && job.dinLen != 0;
    if (job.rport) {
        if (msgcode == bsgmsg::kRportEls || msgcode == bsgmsg::kRportCt) return payloads ? 0 : EINVAL;
        return EBADR;
    }
    switch (msgcode) {
    case bsgmsg::kHostAddRport:
    case bsgmsg::kHostDelRport: return 0;
    case bsgmsg::kHostElsNoLogin:
    case bsgmsg::kHostCt: return payloads ? 0 : EINVAL;
    case bsgmsg::kHostVendor: return ESRCH;  // vendor requests are not simulated: no vendor id matches
    default: return EBADR;
    }
}

}  // namespace

bool kernelDriverByName(std::string_view name, KernelDriver& driver) {
    for (const DriverEntry& entry : kDrivers) {
        if (name == entry.name) {
            driver = entry.driver;
            return true;
        }
    }
    return false;
}

const char* kernelDriverName(KernelDriver driver) { return entryOf(driver).name; }

std::string kernelDriverNames() {
    std::string names;
    for (const DriverEntry& entry : kDrivers) names += (names.empty() ? "" : ", ") + std::string(entry.name);
    return names;
}

const DriverLook& driverLook(KernelDriver driver) { return entryOf(driver).look; }

// As fcoe.c:790, qla_gs.c:857 and lpfc_ct.c:1822-1852 write them.
std::string symbolicName(KernelDriver driver, const std::string& ifname) {
    switch (driver) {
    case KernelDriver::Libfc:
    case KernelDriver::LibfcNoFdmi: return "fcoe v0.1 over " + ifname;
    case KernelDriver::Qla2xxx: return "QLE2562 FW:v8.07.00 DVR:v10.02.07.900-k";
    case KernelDriver::Lpfc: return "Emulex LPe12002-M8 FV2.02A1 DV14.2.0.7 HN:fabricsim OS:Linux";
    case KernelDriver::Other: return "SimFC 16G FW:v1.0 DVR:v1.0";
    }
    return std::string();
}

// libfc adds the name server and, once logged in with FDMI, the management server as
// remote ports (fc_rport.c:280-290, well-known addresses go straight to READY); lpfc
// registers its fabric nodes (lpfc_hbadisc.c:79-85); qla2xxx logs into both servers by loop
// id and registers only the ports it discovers (qla_init.c:6174-6188), none of them here.
std::vector<std::uint32_t> serverRports(KernelDriver driver) {
    switch (driver) {
    case KernelDriver::LibfcNoFdmi: return {kNameServer};
    case KernelDriver::Qla2xxx: return {};
    default: return {kNameServer, kManagementServer};
    }
}

DriverRoute routeBsgJob(KernelDriver driver, const BsgJob& job) {
    if (job.requestLen < 4 || job.request == nullptr) return refused(ENOMSG);
    std::uint32_t msgcode = 0;
    std::memcpy(&msgcode, job.request, sizeof msgcode);
    if (const int error = transportCheck(msgcode, job)) return refused(error);
    switch (driver) {
    case KernelDriver::Libfc:
    case KernelDriver::LibfcNoFdmi: return libfcRoute(driver, msgcode, job);
    case KernelDriver::Qla2xxx: return qla2xxxRoute(msgcode, job);
    case KernelDriver::Lpfc:
    case KernelDriver::Other: return rportOnlyRoute(msgcode, job);
    }
    return refused(EINVAL);
}

}  // namespace fabricsim

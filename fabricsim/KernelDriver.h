// The Linux FC drivers fabricsim-run --kernel stands in for, as their 6.1 sources behave:
// what each shows in sysfs, which remote ports it registers, and which bsg requests it
// takes and how it reads them. A driver that is kinder here than in the kernel hides
// faults of the programs tested against it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fabricsim {

enum class KernelDriver {
    Libfc,        // software FCoE (fcoe) over a NIC with FDMI: logged into FFFFFC and FFFFFA
    LibfcNoFdmi,  // fcoe over a NIC without FDMI (as bnx2fc, fnic): FFFFFA is never logged into
    Qla2xxx,
    Lpfc,
    Other,        // a driver name no table knows, taking CT only through remote ports, as lpfc
};

// By the --driver name; false for a name not in the list.
bool kernelDriverByName(std::string_view name, KernelDriver& driver);
const char* kernelDriverName(KernelDriver driver);
std::string kernelDriverNames();  // "libfc, libfc-nofdmi, ..." for messages

struct DriverLook {
    const char* procName;    // /sys/class/scsi_host/host<N>/proc_name as the kernel prints it
    const char* module;      // the PCI function's driver module
    std::uint16_t pciVendor;
    std::uint16_t pciDevice;
    std::uint32_t pciClass;  // 0x020000 Ethernet, 0x0c0400 Fibre Channel
    const char* speed;
    bool fcoe;               // the host runs over a net interface (ctlr_N and its links)
};
const DriverLook& driverLook(KernelDriver driver);

// fc_host symbolic_name; ifname is the net interface of an FCoE host.
std::string symbolicName(KernelDriver driver, const std::string& ifname);

// The fabric servers registered as remote ports of each host, in rport number order.
std::vector<std::uint32_t> serverRports(KernelDriver driver);

// bsg message codes (include/uapi/scsi/scsi_bsg_fc.h).
namespace bsgmsg {
constexpr std::uint32_t kHostAddRport = 0x80000001u;
constexpr std::uint32_t kHostDelRport = 0x80000002u;
constexpr std::uint32_t kHostElsNoLogin = 0x80000003u;
constexpr std::uint32_t kHostCt = 0x80000004u;
constexpr std::uint32_t kHostVendor = 0x800000FFu;
constexpr std::uint32_t kRportEls = 0x40000001u;
constexpr std::uint32_t kRportCt = 0x40000002u;
}  // namespace bsgmsg

// One bsg request as the FC transport and the driver see it.
struct BsgJob {
    const std::uint8_t* request = nullptr;  // struct fc_bsg_request, request_len bytes
    std::uint32_t requestLen = 0;
    std::uint32_t doutLen = 0;
    std::uint32_t dinLen = 0;
    bool rport = false;          // sent to /dev/bsg/rport-*, not to /dev/bsg/fc_host<N>
    std::uint32_t rportId = 0;   // that remote port's port_id
};

// Where the driver sends the payload, or the errno with which the job fails.
struct DriverRoute {
    int error = 0;
    bool els = false;            // an ELS, else a CT_IU
    std::uint32_t destination = 0;
};

// The FC transport's checks (scsi_transport_fc.c fc_bsg_host_dispatch and
// fc_bsg_rport_dispatch), then the driver's own (libfc fc_lport_bsg_request, qla2xxx
// qla24xx_bsg_request and qla2x00_process_ct, lpfc lpfc_bsg_request).
DriverRoute routeBsgJob(KernelDriver driver, const BsgJob& job);

}  // namespace fabricsim

#include "FcDriver.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {
struct DriverRow {
    const char* driver;
    DriverCt ct;
};

// Linux 6.1, drivers/scsi:
// - libfc (fcoe, fnic, qedf; fc_lport.c:2172-2186): HST_CT to FFFFFC through the
//   name-server login, to any other id only when it is a remote port of the host,
//   else -EINVAL; RPT_CT to the remote port. The preamble is not read.
// - qla2xxx (qla_bsg.c:510-524): HST_CT to the server named by the top byte of
//   preamble_word1 read as a host-order integer, logged into at fabric setup
//   (qla_init.c:6410-6416); no remote ports for the servers.
// - ibmvfc (ibmvfc.c:2181-2191): HST_CT to port_id; RPT_CT -ENOTSUPP.
// - lpfc (lpfc_bsg.c:5572-5590): RPT_CT only, through the server's remote port
//   (lpfc_hbadisc.c:79-85 registers the fabric's servers); HST_CT -EINVAL.
// - zfcp (drivers/s390, zfcp_fc.c:985-986): reads r_ct's preamble_word1 for the GS type;
//   RPT_CT through a remote port.
// bnx2fc hosts have no proc_name and sit on bnx2x's PCI function: the fallback, HST_CT
// first, takes them as libfc does.
const DriverRow kDrivers[] = {
    {"fcoe", {CtWay::HostCt, true}},    {"fnic", {CtWay::HostCt, true}},
    {"qedf", {CtWay::HostCt, true}},    {"qla2xxx", {CtWay::HostCt, false}},
    {"ibmvfc", {CtWay::HostCt, false}}, {"lpfc", {CtWay::RportCt, true}},
    {"zfcp", {CtWay::RportCt, true}},
};

// The last component of a link's target, or empty when path is no readable link.
std::string linkName(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
    if (length <= 0) return std::string();
    target[length] = '\0';
    const char* slash = std::strrchr(target, '/');
    return slash != nullptr ? slash + 1 : target;
}

// The module of the PCI function whose child the host's device is.
std::string pciDriver(const SysfsPaths& paths, unsigned host) {
    char device[PATH_MAX];
    if (::realpath((paths.fcHost(host) + "/device").c_str(), device) == nullptr) return std::string();
    char* slash = std::strrchr(device, '/');
    if (slash == nullptr || slash == device) return std::string();
    *slash = '\0';
    return linkName(std::string(device) + "/driver/module");
}
}  // namespace

DriverCt driverCt(const std::string& driver) {
    for (const DriverRow& row : kDrivers)
        if (driver == row.driver) return row.ct;
    return DriverCt{CtWay::HostCtThenRportCt, true};
}

std::string fcHostDriver(const SysfsPaths& paths, unsigned host) {
    SysfsText text;
    std::string name;
    const std::string procName = paths.classDir + "/scsi_host/host" + std::to_string(host) + "/proc_name";
    // scsi_sysfs.c:379 prints a template's missing proc_name as "(null)" (qla2xxx, fnic, qedf, bnx2fc).
    if (readSysfsAttribute(procName, text) && decodeTextAttribute(text.span(), name) && name != "(null)")
        return name;
    // A module name goes into log lines: kept only when it is a printable one-liner.
    const std::string module = pciDriver(paths, host);
    const ByteSpan bytes{reinterpret_cast<const std::uint8_t*>(module.data()), module.size()};
    return decodeTextAttribute(bytes, name) ? name : std::string("unknown");
}

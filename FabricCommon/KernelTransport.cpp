#include "KernelTransport.h"

#include <fcntl.h>
#include <linux/bsg.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "CtIu.h"
#include "FcBsg.h"
#include "FcHostLookup.h"
#include "naTrace.h"

namespace {
constexpr char kFcHostClass[] = "/sys/class/fc_host";

std::uint64_t pointerValue(const void* p) { return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p)); }

BsgVerdict ioctlFailed(int error) {
    BsgVerdict verdict;
    verdict.error = error;
    verdict.problem = "SG_IO failed";
    return verdict;
}
}  // namespace

bool BsgDevice::open(unsigned hostNumber, const std::string& devDir) {
    close();
    path_ = devDir + "/fc_host" + std::to_string(hostNumber);
    fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    return fd_ >= 0;
}

void BsgDevice::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

BsgVerdict sendBsgCt(const BsgDevice& device, const std::uint8_t* request, std::uint32_t requestSize,
                     std::uint8_t* response, std::uint32_t responseSize) {
    if (!device.isOpen() || request == nullptr || response == nullptr || requestSize < kCtHeaderSize)
        return ioctlFailed(EINVAL);
    FcBsgRequest cdb;
    std::memset(&cdb, 0, sizeof cdb);
    cdb.msgcode = FC_BSG_HST_CT;
    const std::uint32_t destination = ctDestination(request[4]);
    cdb.rqst_data.h_ct.port_id[0] = static_cast<std::uint8_t>(destination >> 16);
    cdb.rqst_data.h_ct.port_id[1] = static_cast<std::uint8_t>(destination >> 8);
    cdb.rqst_data.h_ct.port_id[2] = static_cast<std::uint8_t>(destination);
    std::memcpy(&cdb.rqst_data.h_ct.preamble_word0, request, 12);  // words 0-2 of the CT_IU, as sent

    FcBsgReply reply;
    std::memset(&reply, 0, sizeof reply);
    sg_io_v4 io;
    std::memset(&io, 0, sizeof io);
    io.guard = 'Q';
    io.protocol = BSG_PROTOCOL_SCSI;
    io.subprotocol = BSG_SUB_PROTOCOL_SCSI_TRANSPORT;
    io.request_len = sizeof cdb;
    io.request = pointerValue(&cdb);
    io.dout_xfer_len = requestSize;
    io.dout_xferp = pointerValue(request);
    io.din_xfer_len = responseSize;
    io.din_xferp = pointerValue(response);
    io.max_response_len = sizeof reply;
    io.response = pointerValue(&reply);
    io.timeout = 0;  // the queue's default

    if (::ioctl(device.fd(), SG_IO, &io) != 0) return ioctlFailed(errno);
    BsgCompletion completion;
    completion.dinXferLen = responseSize;
    completion.dinResid = io.din_resid;
    completion.responseLen = io.response_len;
    completion.driverStatus = io.driver_status;
    completion.transportStatus = io.transport_status;
    completion.deviceStatus = io.device_status;
    return decodeBsgReply(ByteSpan{reinterpret_cast<const std::uint8_t*>(&reply), sizeof reply}, completion);
}

void KernelRoute::reset() {
    device_.close();
    engaged_ = false;
    warned_ = false;
}

bool KernelRoute::deviceFor(const Wwn& port) {
    if (device_.isOpen() && std::memcmp(port.bytes, port_.bytes, sizeof port.bytes) == 0) return true;
    device_.close();
    const WwnText wwn = formatWwn(port);
    unsigned host = 0;
    if (!findFcHost(kFcHostClass, port, host)) {
        NATRACE(TR_MIN, "no fc_host in %s has port_name %s\n", kFcHostClass, wwn.text);
        return false;
    }
    if (!device_.open(host)) {
        const int err = errno;
        NATRACE(TR_MIN, "fc_host host%u serves port %s but %s does not open: errno %d %s\n", host, wwn.text,
                device_.path().c_str(), err, std::strerror(err));
        return false;
    }
    port_ = port;
    engaged_ = true;
    NATRACE(TR_MIN, "kernel FC transport for port %s: fc_host host%u, %s\n", wwn.text, host,
            device_.path().c_str());
    return true;
}

bool KernelRoute::firstWarning() {
    if (warned_) return false;
    warned_ = true;
    return true;
}

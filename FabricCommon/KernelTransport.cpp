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
// A failed request reports the status an HBA library gives a call that failed (HBA_STATUS_ERROR).
constexpr std::uint32_t kCallFailed = 1;

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

std::unique_ptr<KernelHostCtRoute> KernelHostCtRoute::open(const Wwn& port, const std::string& classDir,
                                                           const std::string& devDir) {
    const WwnText wwn = formatWwn(port);
    unsigned host = 0;
    if (!findFcHost(classDir, port, host)) {
        NATRACE(TR_MIN, "no fc_host in %s has port_name %s\n", classDir.c_str(), wwn.text);
        return nullptr;
    }
    std::unique_ptr<KernelHostCtRoute> route(new KernelHostCtRoute);
    if (!route->device_.open(host, devDir)) {
        const int err = errno;
        NATRACE(TR_MIN, "fc_host host%u serves port %s but %s does not open: errno %d %s\n", host, wwn.text,
                route->device_.path().c_str(), err, std::strerror(err));
        return nullptr;
    }
    NATRACE(TR_MIN, "kernel FC transport for port %s: fc_host host%u, %s\n", wwn.text, host,
            route->device_.path().c_str());
    NATRACE(TR_MIN, "HBA_SendCTPassThru() not supported: requests of this adapter go through %s\n",
            route->device_.path().c_str());
    return route;
}

void KernelHostCtRoute::traceCall() const {
    NATRACE(TR_MAX, "using FC_BSG_HST_CT through %s\n", device_.path().c_str());
}

CtSent KernelHostCtRoute::send(const CtExchange& x) {
    CtSent sent;
    const BsgVerdict verdict = sendBsgCt(device_, x.request, x.requestSize, x.response, x.responseSize);
    if (verdict.clamped)
        NATRACE(TR_MIN, "bsg reply_payload_rcv_len beyond the %u-byte response buffer; %u bytes used\n",
                static_cast<unsigned>(x.responseSize), static_cast<unsigned>(verdict.used));
    if (!verdict.ok) {
        NATRACE(TR_MIN, "FC_BSG_HST_CT through %s failed: %s\n", device_.path().c_str(), verdict.problem);
        sent.status = kCallFailed;
        sent.callErrno = verdict.error;
        return sent;
    }
    sent.used = verdict.used;
    return sent;
}

void KernelHostCtRoute::traceUsed(const CtSent& sent) const {
    NATRACE(TR_MAX, "bsg answer used size %d\n", static_cast<int>(sent.used));
}

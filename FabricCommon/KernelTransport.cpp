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

namespace {
std::uint64_t pointerValue(const void* p) { return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p)); }

BsgVerdict ioctlFailed(int error) {
    BsgVerdict verdict;
    verdict.error = error;
    verdict.problem = "SG_IO failed";
    return verdict;
}

std::uint32_t wireWord(const std::uint8_t* bytes) {
    return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) | (std::uint32_t(bytes[2]) << 8) |
           std::uint32_t(bytes[3]);
}
}  // namespace

bool BsgDevice::open(const std::string& path) {
    close();
    path_ = path;
    fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    return fd_ >= 0;
}

void BsgDevice::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void buildCtCdb(std::uint32_t msgcode, const std::uint8_t* request, std::uint8_t (&bytes)[20]) {
    static_assert(sizeof bytes == sizeof(FcBsgRequest), "the CDB is one fc_bsg_request");
    FcBsgRequest cdb;
    std::memset(&cdb, 0, sizeof cdb);
    cdb.msgcode = msgcode;
    const std::uint32_t words[3] = {wireWord(request), wireWord(request + 4), wireWord(request + 8)};
    if (msgcode == FC_BSG_RPT_CT) {
        cdb.rqst_data.r_ct.preamble_word0 = words[0];
        cdb.rqst_data.r_ct.preamble_word1 = words[1];
        cdb.rqst_data.r_ct.preamble_word2 = words[2];
    } else {
        const std::uint32_t destination = ctDestination(request[4]);
        cdb.rqst_data.h_ct.port_id[0] = static_cast<std::uint8_t>(destination >> 16);
        cdb.rqst_data.h_ct.port_id[1] = static_cast<std::uint8_t>(destination >> 8);
        cdb.rqst_data.h_ct.port_id[2] = static_cast<std::uint8_t>(destination);
        cdb.rqst_data.h_ct.preamble_word0 = words[0];
        cdb.rqst_data.h_ct.preamble_word1 = words[1];
        cdb.rqst_data.h_ct.preamble_word2 = words[2];
    }
    std::memcpy(bytes, &cdb, sizeof bytes);
}

BsgVerdict sendBsgCt(const BsgDevice& device, std::uint32_t msgcode, const std::uint8_t* request,
                     std::uint32_t requestSize, std::uint8_t* response, std::uint32_t responseSize) {
    if (!device.isOpen() || request == nullptr || response == nullptr || requestSize < kCtHeaderSize)
        return ioctlFailed(EINVAL);
    std::uint8_t cdb[sizeof(FcBsgRequest)];
    buildCtCdb(msgcode, request, cdb);

    FcBsgReply reply;
    std::memset(&reply, 0, sizeof reply);
    sg_io_v4 io;
    std::memset(&io, 0, sizeof io);
    io.guard = 'Q';
    io.protocol = BSG_PROTOCOL_SCSI;
    io.subprotocol = BSG_SUB_PROTOCOL_SCSI_TRANSPORT;
    io.request_len = sizeof cdb;
    io.request = pointerValue(cdb);
    io.dout_xfer_len = requestSize;
    io.dout_xferp = pointerValue(request);
    io.din_xfer_len = responseSize;
    io.din_xferp = pointerValue(response);
    io.max_response_len = sizeof reply;
    io.response = pointerValue(&reply);
    io.timeout = kBsgTimeoutMs;

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

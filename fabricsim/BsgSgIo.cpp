#include "BsgSgIo.h"

#include <scsi/sg.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace fabricsim {
namespace {

constexpr std::uint32_t kReplyBuffer = 96;       // SCSI_SENSE_BUFFERSIZE: job->reply, and reply_len unless set
constexpr std::uint32_t kQlaUnderrunReply = 28;  // fc_bsg_reply and fw_status[3] (qla_isr.c:2329)
constexpr std::uint32_t kCsDataUnderrun = 0x15;
constexpr std::uint32_t kCtelsReject = 1;        // FC_CTELS_STATUS_REJECT
constexpr std::uint64_t kBsgDefaultTimeoutMs = 60000;  // BLK_DEFAULT_SG_TIMEOUT
constexpr std::uint64_t kBsgMinTimeoutMs = 7000;       // BLK_MIN_SG_TIMEOUT
constexpr std::uint64_t kLibfcEdTovMs = 2000;

template <class T>
T* userPointer(std::uint64_t address) {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(address));
}

// What the driver leaves in the job: result (0 or -errno), bytes received, its reply.
struct Completion {
    std::int32_t result = 0;
    std::uint32_t received = 0;
    std::uint32_t replyLen = kReplyBuffer;
    std::uint8_t reply[kReplyBuffer] = {};

    void put(std::size_t offset, std::uint32_t value) { std::memcpy(reply + offset, &value, sizeof value); }
};

int failed(int error) {
    errno = error;
    return -1;
}

// bsg-lib.c:100-133 and bsg.c:66-69.
int finish(sg_io_v4& caller, sg_io_v4 io, Completion& done) {
    if (done.result < 0) {
        done.replyLen = sizeof(std::uint32_t);
        done.put(0, static_cast<std::uint32_t>(done.result));
    }
    const std::uint32_t length = std::min(io.max_response_len, done.replyLen);
    if (io.response != 0 && length > 0) std::memcpy(userPointer<void>(io.response), done.reply, length);
    if (done.result < 0) return failed(-done.result);
    io.response_len = length;
    io.device_status = static_cast<std::uint32_t>(done.result) & 0xFF;
    io.transport_status = (static_cast<std::uint32_t>(done.result) >> 16) & 0xFF;
    io.driver_status = 0;
    io.info = io.device_status != 0 || io.transport_status != 0 ? SG_INFO_CHECK : 0;
    io.dout_resid = 0;
    io.din_resid = static_cast<std::int32_t>(io.din_xfer_len - done.received);
    caller = io;
    return 0;
}

// The driver's reply to a completed exchange.
void driverReply(KernelDriver driver, const DriverRoute& route, const sg_io_v4& io, Completion& done) {
    const auto* answer = userPointer<const std::uint8_t>(io.din_xferp);
    done.put(4, done.received);
    switch (driver) {
    case KernelDriver::Libfc:
    case KernelDriver::LibfcNoFdmi: {
        // fc_lport_bsg_resp (fc_lport.c:1980-1989): the command code of the first frame.
        const bool accepted = route.els ? done.received >= 1 && answer[0] == 0x02
                                        : done.received < 10 || (answer[8] == 0x80 && answer[9] == 0x02);
        done.put(8, accepted ? 0 : kCtelsReject);
        break;
    }
    case KernelDriver::Qla2xxx:
        // qla24xx_els_ct_entry (qla_isr.c:2326-2361): a full buffer is CS_COMPLETE, with no reply.
        if (done.received == io.din_xfer_len) {
            done.replyLen = 0;
        } else {
            done.replyLen = kQlaUnderrunReply;
            done.put(16, kCsDataUnderrun);
        }
        break;
    case KernelDriver::Lpfc:
    case KernelDriver::Other:
        break;
    }
}

std::uint32_t msgcodeOf(const sg_io_v4& io) {
    std::uint32_t msgcode = 0;
    if (io.request_len >= sizeof msgcode) std::memcpy(&msgcode, userPointer<const void>(io.request), sizeof msgcode);
    return msgcode;
}

}  // namespace

std::uint64_t bsgDeadlineMs(KernelDriver driver, std::uint32_t timeoutMs) {
    const std::uint64_t bsg = std::max<std::uint64_t>(timeoutMs != 0 ? timeoutMs : kBsgDefaultTimeoutMs, kBsgMinTimeoutMs);
    const bool libfc = driver == KernelDriver::Libfc || driver == KernelDriver::LibfcNoFdmi;
    return libfc ? std::min(bsg, kLibfcEdTovMs) : bsg;
}

int bsgSgIo(Simulator& simulator, KernelDriver driver, const KernelHost& host, const KernelRport* rport,
            sg_io_v4& caller) {
    const sg_io_v4 io = caller;
    if (io.guard != 'Q' || io.protocol != BSG_PROTOCOL_SCSI || io.subprotocol != BSG_SUB_PROTOCOL_SCSI_TRANSPORT)
        return failed(EINVAL);
    if ((io.request == 0 && io.request_len != 0) || (io.dout_xferp == 0 && io.dout_xfer_len != 0) ||
        (io.din_xferp == 0 && io.din_xfer_len != 0))
        return failed(EFAULT);

    BsgJob job;
    job.request = userPointer<const std::uint8_t>(io.request);
    job.requestLen = io.request_len;
    job.doutLen = io.dout_xfer_len;
    job.dinLen = io.din_xfer_len;
    job.rport = rport != nullptr;
    job.rportId = rport != nullptr ? rport->portId : 0;
    const DriverRoute route = routeBsgJob(driver, job);

    Simulator::KernelExchange exchange;
    exchange.adapter = host.adapter;
    exchange.port = host.port;
    exchange.request = userPointer<const std::uint8_t>(io.dout_xferp);
    exchange.requestSize = io.dout_xfer_len;
    Completion done;
    if (route.error != 0) {
        const std::uint32_t msgcode = msgcodeOf(io);
        if (msgcode == bsgmsg::kHostCt || msgcode == bsgmsg::kRportCt)
            simulator.logRefusedCt(host.adapter, host.port, exchange.request, exchange.requestSize, route.error);
        done.result = -route.error;
        return finish(caller, io, done);
    }
    exchange.destination = route.destination;
    exchange.deadlineMs = bsgDeadlineMs(driver, io.timeout);
    exchange.response = userPointer<std::uint8_t>(io.din_xferp);
    exchange.responseSize = io.din_xfer_len;
    const Simulator::KernelOutcome outcome = route.els ? simulator.kernelEls(exchange) : simulator.kernelCt(exchange);
    if (outcome.error != 0) {
        done.result = -outcome.error;
    } else {
        done.received = outcome.received;
        driverReply(driver, route, io, done);
    }
    return finish(caller, io, done);
}

}  // namespace fabricsim

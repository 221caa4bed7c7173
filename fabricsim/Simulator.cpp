#include "Simulator.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

#include "ElsResponder.h"
#include "GsResponder.h"
#include "ModelLoader.h"

namespace fabricsim {
namespace {

struct timespec now() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return ts;
}

void sleepMilliseconds(std::uint64_t ms) {
    struct timespec left;
    left.tv_sec = static_cast<time_t>(ms / 1000);
    left.tv_nsec = static_cast<long>((ms % 1000) * 1000000);
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// The well-known address of the server a GS type names (0xFA management, 0xFC directory).
std::uint32_t serverAddress(std::uint8_t gsType) { return gsType >= 0xF0 ? 0xFFFF00u | gsType : 0xFFFFFAu; }

constexpr std::uint32_t kRequestFrameControl = 0x290000;   // first sequence, end of sequence, initiative passed
constexpr std::uint32_t kResponseFrameControl = 0x980000;  // exchange responder, last sequence, end of sequence

}  // namespace

std::size_t deliverResponse(const std::vector<std::uint8_t>& response, std::uint8_t* buffer, std::size_t bufferSize) {
    const std::size_t sent = response.size() < bufferSize ? response.size() : bufferSize;
    if (sent > 0) std::memcpy(buffer, response.data(), sent);
    if (sent >= 12) {
        std::size_t words = (response.size() - sent + 3) / 4;
        if (words > 0xFFFF) words = 0xFFFF;
        buffer[10] = static_cast<std::uint8_t>(words >> 8);
        buffer[11] = static_cast<std::uint8_t>(words);
    }
    return sent;
}

struct Simulator::Call {
    CallRecord log;
    NameServer nameServer = NameServer::Basic;
    std::uint32_t destination = 0;  // kernel mode: where the driver sent it; else by GS type
    std::uint64_t deadlineMs = 0;   // kernel mode: an answer later than this never arrives
    bool timedOut = false;
    bool onWire = false;          // the request reached the fabric
    std::uint32_t sourceId = 0;
    std::uint8_t gsType = 0;
    std::vector<std::uint8_t> requestBytes;
    std::vector<std::uint8_t> responseBytes;
    bool responded = false;
    struct timespec answeredAt {};
};

Simulator::Simulator(std::unique_ptr<Model> model, SimulatorOutputs outputs)
    : model_(std::move(model)), open_(model_->adapters.size(), false), faults_(model_->faults),
      outputs_(std::move(outputs)) {
    indexes_.reserve(model_->fabrics.size());
    for (const Fabric& fabric : model_->fabrics) indexes_.emplace_back(fabric);
}

std::unique_ptr<Simulator> Simulator::fromEnvironment(std::string& error) {
    const char* path = std::getenv("FABRICSIM_MODEL");
    if (path == nullptr || *path == '\0') {
        error = "fabricsim: FABRICSIM_MODEL is not set; it names the model file";
        return nullptr;
    }
    auto model = std::make_unique<Model>();
    ModelError modelError;
    if (!loadModelFile(path, *model, modelError)) {
        error = describeModelError(path, modelError);
        return nullptr;
    }
    SimulatorOutputs outputs;
    if (const char* log = std::getenv("FABRICSIM_LOG"); log != nullptr && *log != '\0')
        outputs.log = std::make_unique<CallLog>(log);
    if (const char* pcap = std::getenv("FABRICSIM_PCAP"); pcap != nullptr && *pcap != '\0') {
        std::string reason;
        outputs.pcap = PcapWriter::open(pcap, reason);
        if (!outputs.pcap) std::fprintf(stderr, "fabricsim: no capture written to %s: %s\n", pcap, reason.c_str());
    }
    return std::make_unique<Simulator>(std::move(model), std::move(outputs));
}

const Adapter* Simulator::adapterAt(std::uint32_t index) const {
    return index < model_->adapters.size() ? &model_->adapters[index] : nullptr;
}

std::uint32_t Simulator::openAdapter(const char* name) {
    if (name == nullptr) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = 0; i < model_->adapters.size(); ++i) {
        const Adapter& adapter = model_->adapters[i];
        if (adapter.name != name) continue;
        if (adapter.fail == AdapterFailure::Open) return 0;
        open_[i] = true;
        return static_cast<std::uint32_t>(i + 1);
    }
    return 0;
}

void Simulator::closeAdapter(std::uint32_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (handle >= 1 && handle <= open_.size()) open_[handle - 1] = false;
}

const Adapter* Simulator::adapterForHandle(std::uint32_t handle) const {
    if (handle < 1 || handle > open_.size() || !open_[handle - 1]) return nullptr;
    return &model_->adapters[handle - 1];
}

void Simulator::beginCall(Call& call, std::uint32_t handle, const Wwn* port, int version, const void* request,
                          std::uint32_t requestSize, GsRequest& parsed, NameServer nameServer) const {
    call.log.at = now();
    call.log.handle = handle;
    call.log.version = version;
    call.log.command = "-";
    call.nameServer = nameServer;
    if (port != nullptr) call.log.port = *port;

    const auto* req = static_cast<const std::uint8_t*>(request);
    parsed = parseRequest(req, request != nullptr ? requestSize : 0, nameServer);
    if (parsed.command != nullptr) {
        call.log.command = parsed.command->name;
        if (parsed.command->key != KeyKind::None && parsed.keyPresent) call.log.key = parsed.keyText;
    } else if (request != nullptr && requestSize >= kCtHeaderSize) {
        call.log.command = hexText(parsed.gsType, 2) + "/" + hexText(parsed.gsSubtype, 2) + "/" + hexText(parsed.code, 4);
    }
}

std::uint32_t Simulator::finishCall(Call& call, std::uint32_t result) {
    if (call.log.result.empty()) call.log.result = result == status::kOk ? "ACC" : failResult(result);
    record(call);
    return result;
}

const AdapterPort* Simulator::kernelPort(const KernelExchange& exchange, KernelOutcome& outcome) const {
    const bool known = exchange.adapter < model_->adapters.size() &&
                       exchange.port < model_->adapters[exchange.adapter].ports.size();
    const AdapterPort* port = known ? &model_->adapters[exchange.adapter].ports[exchange.port] : nullptr;
    if (port == nullptr || !port->fabric) {
        outcome.error = ENODEV;
        return nullptr;
    }
    return port;
}

Simulator::KernelOutcome Simulator::kernelCt(const KernelExchange& exchange) {
    std::lock_guard<std::mutex> lock(mutex_);
    KernelOutcome outcome;
    const AdapterPort* via = kernelPort(exchange, outcome);
    if (via == nullptr) return outcome;
    Call call;
    GsRequest parsed;
    beginCall(call, static_cast<std::uint32_t>(exchange.adapter + 1), &via->wwn, 0, exchange.request,
              exchange.requestSize, parsed, NameServer::Switch);
    call.destination = exchange.destination;
    call.deadlineMs = exchange.deadlineMs;
    if (exchange.requestSize < kCtHeaderSize) {
        // Not a CT_IU: the server drops it and the exchange runs out of time.
        call.onWire = true;
        call.sourceId = via->fcid;
        call.requestBytes.assign(exchange.request, exchange.request + exchange.requestSize);
        sleepMilliseconds(exchange.deadlineMs);
        call.log.result = errnoResult(ETIMEDOUT);
        record(call);
        outcome.error = ETIMEDOUT;
        return outcome;
    }
    if (serverAddress(exchange.request[4]) != exchange.destination) parsed.command = nullptr;
    const std::uint32_t status = answer(call, *via, parsed, exchange.request, exchange.requestSize, exchange.response,
                                        exchange.responseSize, &outcome.received);
    if (call.timedOut)
        outcome.error = ETIMEDOUT;
    else if (status != status::kOk)
        outcome.error = EIO;
    finishCall(call, status);
    return outcome;
}

Simulator::KernelOutcome Simulator::kernelEls(const KernelExchange& exchange) {
    std::lock_guard<std::mutex> lock(mutex_);
    KernelOutcome outcome;
    const AdapterPort* via = kernelPort(exchange, outcome);
    if (via == nullptr) return outcome;
    const std::vector<std::uint8_t> answer =
        answerEls(indexes_[*via->fabric], exchange.destination, exchange.request, exchange.requestSize);
    if (answer.empty()) {
        sleepMilliseconds(exchange.deadlineMs);
        outcome.error = ETIMEDOUT;
        return outcome;
    }
    outcome.received = static_cast<std::uint32_t>(std::min<std::size_t>(answer.size(), exchange.responseSize));
    if (outcome.received > 0) std::memcpy(exchange.response, answer.data(), outcome.received);
    return outcome;
}

void Simulator::logRefusedCt(std::size_t adapter, std::size_t port, const std::uint8_t* request,
                             std::uint32_t requestSize, int error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (adapter >= model_->adapters.size() || port >= model_->adapters[adapter].ports.size()) return;
    Call call;
    GsRequest parsed;
    beginCall(call, static_cast<std::uint32_t>(adapter + 1), &model_->adapters[adapter].ports[port].wwn, 0, request,
              requestSize, parsed, NameServer::Switch);
    call.log.result = errnoResult(error);
    record(call);
}

std::uint32_t Simulator::passThrough(std::uint32_t handle, const Wwn* port, const void* request,
                                     std::uint32_t requestSize, void* response, std::uint32_t responseSize,
                                     std::uint32_t* returned) {
    std::lock_guard<std::mutex> lock(mutex_);
    Call call;
    GsRequest parsed;
    beginCall(call, handle, port, port != nullptr ? 2 : 1, request, requestSize, parsed);
    const auto* req = static_cast<const std::uint8_t*>(request);
    auto finish = [&](std::uint32_t result) { return finishCall(call, result); };

    const Adapter* adapter = adapterForHandle(handle);
    if (adapter == nullptr) return finish(status::kInvalidHandle);
    const AdapterPort* via = nullptr;
    if (port != nullptr) {
        if (!adapter->ctV2) return finish(status::kNotSupported);
        for (const AdapterPort& p : adapter->ports) {
            if (p.wwn == *port) {
                via = &p;
                break;
            }
        }
        if (via == nullptr) return finish(status::kIllegalWwn);
    } else {
        if (!adapter->ctV1) return finish(status::kNotSupported);
        if (adapter->ports.empty()) return finish(status::kError);
        via = &adapter->ports.front();
        call.log.port = via->wwn;
    }
    if (request == nullptr || requestSize < kCtHeaderSize || response == nullptr || responseSize < kCtHeaderSize ||
        (port != nullptr && returned == nullptr))
        return finish(status::kBadArgument);
    if (!via->fabric) return finish(status::kError);

    return finish(answer(call, *via, parsed, req, requestSize, static_cast<std::uint8_t*>(response), responseSize,
                         returned));
}

std::uint32_t Simulator::answer(Call& call, const AdapterPort& port, const GsRequest& parsed,
                                const std::uint8_t* request, std::uint32_t requestSize, std::uint8_t* response,
                                std::uint32_t responseSize, std::uint32_t* returned) {
    call.onWire = true;
    call.sourceId = port.fcid;
    call.gsType = request[4];
    call.requestBytes.assign(request, request + requestSize);

    const Fault* fault = nullptr;
    if (parsed.command != nullptr) {
        const std::string* key = parsed.command->key != KeyKind::None && parsed.keyPresent ? &parsed.keyText : nullptr;
        fault = faults_.take(parsed.command->id, key, port.wwn);
    }
    if (fault != nullptr && call.deadlineMs != 0 && fault->delayMs > call.deadlineMs) {
        sleepMilliseconds(call.deadlineMs);
        call.timedOut = true;
        call.log.result = errnoResult(ETIMEDOUT);
        return status::kError;
    }
    if (fault != nullptr && fault->delayMs > 0) sleepMilliseconds(fault->delayMs);
    call.answeredAt = now();

    if (fault != nullptr && fault->answer == Fault::Answer::Fail) {
        call.log.result = failResult(fault->status);
        return fault->status;
    }
    std::size_t sent = 0;
    if (fault != nullptr && fault->answer == Fault::Answer::Raw) {
        sent = fault->raw.size() < responseSize ? fault->raw.size() : responseSize;
        if (sent > 0) std::memcpy(response, fault->raw.data(), sent);
        call.log.result = "RAW";
    } else {
        GsAnswer gs = fault != nullptr && fault->answer == Fault::Answer::Reject
                          ? GsAnswer::rejected(fault->reason, fault->explanation)
                          : answerRequest(indexes_[*port.fabric], parsed, call.nameServer);
        sent = deliverResponse(buildResponse(request, gs), response, responseSize);
        call.log.result = gs.accepted ? "ACC" : rejectResult(gs.reason, gs.explanation);
    }
    call.responded = true;
    call.responseBytes.assign(response, response + sent);
    if (returned != nullptr) *returned = static_cast<std::uint32_t>(sent);
    return status::kOk;
}

void Simulator::record(const Call& call) {
    if (outputs_.log) outputs_.log->write(call.log);
    if (!outputs_.pcap || !call.onWire) return;
    FcFrame frame;
    frame.oxId = nextExchange_;
    nextExchange_ = static_cast<std::uint16_t>(nextExchange_ == 0xFFFE ? 1 : nextExchange_ + 1);
    frame.rCtl = 0x02;
    frame.dId = call.destination != 0 ? call.destination : serverAddress(call.gsType);
    frame.sId = call.sourceId;
    frame.fCtl = kRequestFrameControl;
    frame.rxId = 0xFFFF;
    outputs_.pcap->write(call.log.at, buildFcFrame(frame, call.requestBytes.data(), call.requestBytes.size()));
    if (!call.responded) return;
    frame.rCtl = 0x03;
    std::swap(frame.dId, frame.sId);
    frame.fCtl = kResponseFrameControl;
    frame.rxId = frame.oxId;
    outputs_.pcap->write(call.answeredAt, buildFcFrame(frame, call.responseBytes.data(), call.responseBytes.size()));
}

}  // namespace fabricsim

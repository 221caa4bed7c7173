// The simulated adapters and fabrics behind the vendor entry points: handles, pass-through
// calls, faults and the call log and capture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CallLog.h"
#include "FabricIndex.h"
#include "FaultTable.h"
#include "GsCommand.h"
#include "Model.h"
#include "PcapWriter.h"

namespace fabricsim {

// Statuses of the HBA API that the simulator hands back.
namespace status {
constexpr std::uint32_t kOk = 0;
constexpr std::uint32_t kError = 1;
constexpr std::uint32_t kNotSupported = 2;
constexpr std::uint32_t kInvalidHandle = 3;
constexpr std::uint32_t kBadArgument = 4;
constexpr std::uint32_t kIllegalWwn = 5;
constexpr std::uint32_t kIllegalIndex = 6;
}  // namespace status

// Copies as much of a response as fits and puts the number of 4-byte words left out
// into bytes 10-11 of what was copied. Returns the bytes copied.
std::size_t deliverResponse(const std::vector<std::uint8_t>& response, std::uint8_t* buffer, std::size_t bufferSize);

struct SimulatorOutputs {
    std::unique_ptr<CallLog> log;
    std::unique_ptr<PcapWriter> pcap;
};

class Simulator {
public:
    Simulator(std::unique_ptr<Model> model, SimulatorOutputs outputs);

    // Reads FABRICSIM_MODEL, FABRICSIM_LOG and FABRICSIM_PCAP; null, with the one line
    // for standard error, when the model cannot be used.
    static std::unique_ptr<Simulator> fromEnvironment(std::string& error);

    const Model& model() const { return *model_; }
    std::uint32_t adapterCount() const { return static_cast<std::uint32_t>(model_->adapters.size()); }
    const Adapter* adapterAt(std::uint32_t index) const;

    // Adapter i answers to handle i + 1; 0 when the adapter is unknown or fails to open.
    std::uint32_t openAdapter(const char* name);
    void closeAdapter(std::uint32_t handle);
    const Adapter* adapterForHandle(std::uint32_t handle) const;  // null unless open

    // One CT pass-through call. `port` is null for the version-1 call (the adapter's
    // first port is used); `returned`, for version 2, receives the bytes returned.
    std::uint32_t passThrough(std::uint32_t handle, const Wwn* port, const void* request, std::uint32_t requestSize,
                              void* response, std::uint32_t responseSize, std::uint32_t* returned);

    // Kernel mode: what the host's driver sends through the fc_host of a model adapter port
    // to `destination`. The fabric's answer, cut to the response buffer, comes back with
    // the bytes delivered; error is the errno of an exchange that failed (EIO for a fail
    // fault) or got no answer before deadlineMs (ETIMEDOUT).
    struct KernelExchange {
        std::size_t adapter = 0;
        std::size_t port = 0;
        std::uint32_t destination = 0;
        std::uint64_t deadlineMs = 0;
        const std::uint8_t* request = nullptr;
        std::uint32_t requestSize = 0;
        std::uint8_t* response = nullptr;
        std::uint32_t responseSize = 0;
    };
    struct KernelOutcome {
        int error = 0;
        std::uint32_t received = 0;
    };

    // A CT_IU to a server: as passThrough, with the name server a switch's
    // (NameServer::Switch); a GS type the server at the destination does not serve is an
    // unknown command to it. Logged (v=bsg, handle = adapter index + 1) and captured.
    KernelOutcome kernelCt(const KernelExchange& exchange);
    // An ELS (answerEls); neither logged nor captured.
    KernelOutcome kernelEls(const KernelExchange& exchange);
    // A CT_IU the driver refused with `error` before it left the host: logged only.
    void logRefusedCt(std::size_t adapter, std::size_t port, const std::uint8_t* request, std::uint32_t requestSize,
                      int error);

private:
    struct Call;
    void beginCall(Call& call, std::uint32_t handle, const Wwn* port, int version, const void* request,
                   std::uint32_t requestSize, GsRequest& parsed, NameServer nameServer = NameServer::Basic) const;
    std::uint32_t finishCall(Call& call, std::uint32_t result);
    std::uint32_t answer(Call& call, const AdapterPort& port, const GsRequest& parsed, const std::uint8_t* request,
                         std::uint32_t requestSize, std::uint8_t* response, std::uint32_t responseSize,
                         std::uint32_t* returned);
    // The exchange's fabric-attached port; null, with ENODEV in outcome, for any other.
    const AdapterPort* kernelPort(const KernelExchange& exchange, KernelOutcome& outcome) const;
    void record(const Call& call);

    std::unique_ptr<Model> model_;
    std::vector<FabricIndex> indexes_;
    std::vector<bool> open_;
    FaultTable faults_;
    SimulatorOutputs outputs_;
    std::uint16_t nextExchange_ = 1;
    std::mutex mutex_;
};

}  // namespace fabricsim

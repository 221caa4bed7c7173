// Kernel mode's view of a model: which ports become fc_hosts, and SG_IO on their bsg devices
// checked as each driver checks it. The tree written for them is read by its real readers:
// fcoe-utils (FcoeUtilsTest), libhbalinux and the probe (tests/kernel, tests/transport KernelRoute).
#include <gtest/gtest.h>

#include <linux/bsg.h>
#include <scsi/sg.h>

#include <cerrno>
#include <cstring>

#include "BsgSgIo.h"
#include "KernelHosts.h"
#include "ModelLoader.h"
#include "SimHarness.h"

using fabricsim::GsCommand;
using fabricsim::KernelDriver;
using fabricsim::KernelHost;
using fabricsim::Model;
using namespace fstest;

namespace {
Model modelWith(nlohmann::json json) {
    Model model;
    fabricsim::ModelError error;
    EXPECT_TRUE(fabricsim::parseModel(json.dump(), model, error)) << error.path << ": " << error.reason;
    return model;
}
}  // namespace

// Ports without a fabric and failing adapters have none; fail_attributes leaves an FCoE host
// without a PCI function (libhbalinux then finds no port) and a native one with its link down.
TEST(KernelHosts, OneFcHostPerPortWithAFabricInModelOrder) {
    nlohmann::json json = readModelJson("full.json");
    json["adapters"][0]["ports"][1]["fail_attributes"] = true;
    const Model model = modelWith(json);
    for (const KernelDriver driver : {KernelDriver::Libfc, KernelDriver::Lpfc}) {
        std::string hosts;
        for (const KernelHost& h : fabricsim::kernelHosts(model, driver))
            hosts += "host" + std::to_string(h.number) + "=" + std::to_string(h.adapter) + "." + std::to_string(h.port) +
                     (h.pciFunction ? "" : " no-pci") + (h.online ? "" : " down") + " ";
        EXPECT_EQ(hosts, driver == KernelDriver::Libfc ? "host0=0.0 host1=0.1 no-pci host2=1.0 host3=6.0 no-pci host4=6.1 "
                                                       : "host0=0.0 host1=0.1 down host2=1.0 host3=6.0 down host4=6.1 ");
    }
}

namespace {
enum class Preamble { HostOrder, Wire, Zero };

// The reply and response buffers whole, pre-filled with kFill.
struct BsgResult {
    int rc = 0, error = 0;
    sg_io_v4 io{};
    Bytes reply, answer;
};

// One SG_IO with an fc_bsg_request laid out as include/uapi/scsi/scsi_bsg_fc.h has it.
BsgResult sgIo(fabricsim::Simulator& sim, KernelDriver driver, int rport, std::uint32_t msgcode, std::uint32_t portId,
               Preamble preamble, const Bytes& ct, std::size_t answerSize, std::uint32_t maxReply = 96) {
    const std::vector<KernelHost> hosts = fabricsim::kernelHosts(sim.model(), driver);
    Bytes request(20, 0);
    std::memcpy(request.data(), &msgcode, 4);
    const std::size_t words = msgcode == fabricsim::bsgmsg::kRportCt ? 4 : 8;  // r_ct, else h_ct
    setBe32(request, 4, portId);
    for (std::size_t w = 0; w < 3 && preamble != Preamble::Zero; ++w) {
        std::uint32_t word = 0;
        if (preamble == Preamble::Wire) std::memcpy(&word, ct.data() + 4 * w, 4);
        else word = be32At(ct, 4 * w);
        std::memcpy(request.data() + words + 4 * w, &word, 4);
    }
    BsgResult result;
    result.reply.assign(96, kFill);
    result.answer.assign(answerSize, kFill);
    sg_io_v4& io = result.io;
    io.guard = 'Q';
    io.protocol = BSG_PROTOCOL_SCSI;
    io.subprotocol = BSG_SUB_PROTOCOL_SCSI_TRANSPORT;
    io.request_len = static_cast<std::uint32_t>(request.size());
    io.request = reinterpret_cast<std::uintptr_t>(request.data());
    io.dout_xfer_len = static_cast<std::uint32_t>(ct.size());
    io.dout_xferp = reinterpret_cast<std::uintptr_t>(ct.data());
    io.din_xfer_len = static_cast<std::uint32_t>(answerSize);
    io.din_xferp = reinterpret_cast<std::uintptr_t>(result.answer.data());
    io.max_response_len = maxReply;
    io.response = reinterpret_cast<std::uintptr_t>(result.reply.data());
    io.response_len = 0xEEEE;  // stays when the kernel does not copy the header back
    const fabricsim::KernelRport* via = rport >= 0 ? &hosts[0].rports.at(static_cast<std::size_t>(rport)) : nullptr;
    errno = 0;
    result.rc = fabricsim::bsgSgIo(sim, driver, hosts[0], via, result.io);
    result.error = errno;
    return result;
}

std::uint32_t hostWord(const Bytes& b, std::size_t at) {
    std::uint32_t word = 0;
    std::memcpy(&word, b.data() + at, 4);
    return word;
}

// "ACC", "RJT rr ee", or "E<errno>" with the failure's shape checked.
std::string outcome(const BsgResult& r) {
    if (r.rc != 0) {
        EXPECT_EQ(r.rc, -1);
        EXPECT_EQ(r.io.response_len, 0xEEEEu) << "a failed job's sg_io_v4 is not copied back";
        EXPECT_EQ(static_cast<std::int32_t>(hostWord(r.reply, 0)), -r.error) << "the result, and only it";
        EXPECT_EQ(r.reply[4], kFill);
        EXPECT_TRUE(r.answer.empty() || r.answer[0] == kFill) << "nothing received";
        return "E" + std::to_string(r.error);
    }
    if (r.answer[8] == 0x80 && r.answer[9] == 0x02) return "ACC";
    char text[16];
    std::snprintf(text, sizeof text, "RJT %02X %02X", r.answer[13], r.answer[14]);
    return text;
}
}  // namespace

TEST(KernelDrivers, EachTakesCtTheWayItsSourceDoes) {
    using namespace fabricsim::bsgmsg;
    const std::string e = std::to_string(EINVAL);
    // rport -1: /dev/bsg/fc_host0
    const struct { KernelDriver driver; int rport; std::uint32_t msgcode, portId; Preamble preamble; GsCommand command;
                   const char* key; std::string expected; } cases[] = {
        // qla2xxx: the loop id is the top byte of preamble_word1 as the CPU reads it.
        {KernelDriver::Qla2xxx, -1, kHostCt, 0xFFFFFA, Preamble::Wire, GsCommand::GIEL, "", "E" + e},
        {KernelDriver::Qla2xxx, -1, kHostCt, 0xFFFFFA, Preamble::HostOrder, GsCommand::GIEL, "", "ACC"},
        {KernelDriver::Qla2xxx, -1, kHostCt, 0, Preamble::HostOrder, GsCommand::GID_PN, "1000000A0A000001", "ACC"},
        {KernelDriver::Qla2xxx, -1, kHostCt, 0xFFFFFC, Preamble::Zero, GsCommand::GNN_ID, "010100", "E" + e},
        // lpfc and a driver nobody knows: remote ports only.
        {KernelDriver::Lpfc, -1, kHostCt, 0xFFFFFA, Preamble::HostOrder, GsCommand::GIEL, "", "E" + e},
        {KernelDriver::Lpfc, 1, kRportCt, 0, Preamble::Wire, GsCommand::GIEL, "", "ACC"},
        {KernelDriver::Lpfc, 0, kRportCt, 0, Preamble::Zero, GsCommand::GID_PN, "1000000A0A000001", "ACC"},
        {KernelDriver::Lpfc, 0, kRportCt, 0, Preamble::HostOrder, GsCommand::GIEL, "", "RJT 0B 00"},
        {KernelDriver::Other, -1, kHostCt, 0xFFFFFC, Preamble::HostOrder, GsCommand::GNN_ID, "010100", "E" + e},
        {KernelDriver::Other, 1, kRportCt, 0, Preamble::HostOrder, GsCommand::GIEL, "", "ACC"},
        // libfc: port_id decides, the preamble is not read; FFFFFA only once logged in with FDMI.
        {KernelDriver::Libfc, -1, kHostCt, 0xFFFFFA, Preamble::Zero, GsCommand::GIEL, "", "ACC"},
        {KernelDriver::Libfc, -1, kHostCt, 0xFFFFFC, Preamble::Wire, GsCommand::GIEL, "", "RJT 0B 00"},
        {KernelDriver::Libfc, 1, kRportCt, 0, Preamble::Zero, GsCommand::GIEL, "", "ACC"},
        {KernelDriver::LibfcNoFdmi, -1, kHostCt, 0xFFFFFA, Preamble::HostOrder, GsCommand::GIEL, "", "E" + e},
        {KernelDriver::LibfcNoFdmi, -1, kHostCt, 0xFFFFFC, Preamble::Wire, GsCommand::GNN_ID, "010100", "ACC"},
        {KernelDriver::Libfc, -1, kHostCt, 0x010200, Preamble::Zero, GsCommand::GIEL, "", "E" + e},
        // The name server explains unknown keys as a switch does; GPN_ID is answered.
        {KernelDriver::Libfc, -1, kHostCt, 0xFFFFFC, Preamble::Zero, GsCommand::GID_PN, "1000000A0A0000CC", "RJT 09 02"},
        {KernelDriver::Libfc, 0, kRportCt, 0, Preamble::Zero, GsCommand::GNN_ID, "0B0B0B", "RJT 09 01"},
        {KernelDriver::Libfc, 0, kRportCt, 0, Preamble::Zero, GsCommand::GPN_ID, "0101AA", "ACC"},
        // The FC transport: host messages on the host device only, payloads both ways.
        {KernelDriver::Libfc, -1, kRportCt, 0, Preamble::Zero, GsCommand::GIEL, "", "E" + std::to_string(EBADR)},
        {KernelDriver::Lpfc, 0, kHostCt, 0xFFFFFC, Preamble::HostOrder, GsCommand::GIEL, "", "E" + std::to_string(EBADR)},
    };
    SimHarness harness(readModelJson("full.json"));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(fabricsim::kernelDriverName(c.driver)) + " " +
                     fabricsim::commandInfo(c.command).name + " rport " + std::to_string(c.rport));
        const Bytes ct = buildRequest(c.command, c.key, probeResponseSize(c.command));
        const BsgResult r = sgIo(harness.sim(), c.driver, c.rport, c.msgcode, c.portId, c.preamble, ct,
                                 probeResponseSize(c.command));
        EXPECT_EQ(outcome(r), c.expected);
    }
    const Bytes giel = buildRequest(GsCommand::GIEL, "", 3996);
    EXPECT_EQ(outcome(sgIo(harness.sim(), KernelDriver::Libfc, -1, kHostCt, 0xFFFFFA, Preamble::Zero, giel, 0)),
              "E" + e) << "no response buffer";
    EXPECT_EQ(outcome(sgIo(harness.sim(), KernelDriver::Libfc, -1, kHostCt, 0xFFFFFA, Preamble::Zero, Bytes(), 3996)),
              "E" + e) << "no request payload";
}

TEST(KernelDrivers, ACompletedJobIsReportedAsEachDriverReportsIt) {
    SimHarness harness(readModelJson("full.json"));
    const Bytes gnn = buildRequest(GsCommand::GNN_ID, "010100", 24);  // a 24-byte answer
    const Bytes unknown = buildRequest(GsCommand::GNN_ID, "0B0B0B", 24);
    // ctelsStatus: reply word 2, when copied
    const struct { KernelDriver driver; int rport; const Bytes* ct; std::size_t answerSize;
                   std::uint32_t maxReply, responseLen, ctelsStatus; } cases[] = {
        {KernelDriver::Libfc, -1, &gnn, 40, 16, 16, 0},
        {KernelDriver::Libfc, -1, &gnn, 40, 96, 96, 0},
        {KernelDriver::Libfc, -1, &unknown, 40, 16, 16, 1},  // a CT reject: FC_CTELS_STATUS_REJECT
        {KernelDriver::Qla2xxx, -1, &gnn, 24, 96, 0, 0},     // CS_COMPLETE: no reply at all
        {KernelDriver::Qla2xxx, -1, &gnn, 40, 96, 28, 0},    // CS_DATA_UNDERRUN
        {KernelDriver::Lpfc, 0, &gnn, 40, 96, 96, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(fabricsim::kernelDriverName(c.driver)) + " " + std::to_string(c.answerSize));
        const std::uint32_t msgcode = c.rport < 0 ? fabricsim::bsgmsg::kHostCt : fabricsim::bsgmsg::kRportCt;
        const BsgResult r = sgIo(harness.sim(), c.driver, c.rport, msgcode, 0xFFFFFC, Preamble::HostOrder, *c.ct,
                                 c.answerSize, c.maxReply);
        ASSERT_EQ(r.rc, 0) << r.error;
        EXPECT_EQ(r.io.response_len, c.responseLen);
        const std::uint32_t received = c.ct == &unknown ? 16 : 24;  // a reject is its header
        EXPECT_EQ(r.io.din_resid, static_cast<std::int32_t>(c.answerSize - received));
        EXPECT_EQ(r.io.transport_status | r.io.device_status | r.io.driver_status, 0u);
        if (c.responseLen == 0) {
            EXPECT_EQ(r.reply[0], kFill) << "nothing copied";
            continue;
        }
        EXPECT_EQ(hostWord(r.reply, 0), 0u);
        EXPECT_EQ(hostWord(r.reply, 4), received) << "reply_payload_rcv_len";
        EXPECT_EQ(hostWord(r.reply, 8), c.ctelsStatus);
        if (c.responseLen == 28) {
            EXPECT_EQ(hostWord(r.reply, 16), 0x15u) << "qla2xxx's underrun status";
        }
        if (c.responseLen < 96) {
            EXPECT_EQ(r.reply[c.responseLen], kFill) << "nothing past response_len";
        }
    }
}

TEST(KernelDrivers, TheBsgTimeoutIsSixtySecondsUnlessSetAndLibfcWaitsItsExchangeTimeout) {
    EXPECT_EQ(fabricsim::bsgDeadlineMs(KernelDriver::Qla2xxx, 0), 60000u);
    EXPECT_EQ(fabricsim::bsgDeadlineMs(KernelDriver::Lpfc, 30000), 30000u);
    EXPECT_EQ(fabricsim::bsgDeadlineMs(KernelDriver::Other, 1000), 7000u) << "never under BLK_MIN_SG_TIMEOUT";
    EXPECT_EQ(fabricsim::bsgDeadlineMs(KernelDriver::Libfc, 0), 2000u);
}

TEST(KernelDrivers, AnAnswerLaterThanTheDeadlineAndAnEchoToNobodyTimeOut) {
    nlohmann::json model = readModelJson("full.json");
    model["faults"] = {{{"command", "GNN_ID"}, {"times", 1}, {"delay_ms", 40}}};
    SimHarness harness(model);
    const Bytes gnn = buildRequest(GsCommand::GNN_ID, "010100", 24);
    Bytes answer(24, kFill);
    fabricsim::Simulator::KernelExchange exchange{0, 0, 0xFFFFFC, 5, gnn.data(), std::uint32_t(gnn.size()), answer.data(), 24};
    EXPECT_EQ(harness.sim().kernelCt(exchange).error, ETIMEDOUT);
    EXPECT_EQ(answer, Bytes(24, kFill)) << "nothing arrived";
    const auto late = harness.sim().kernelCt(exchange);
    EXPECT_EQ(late.error, 0) << "the fault was used up";
    EXPECT_EQ(late.received, 24u);

    const Bytes echo = {0x10, 0, 0, 0, 'p', 'i', 'n', 'g'};
    exchange.request = echo.data();
    exchange.requestSize = static_cast<std::uint32_t>(echo.size());
    exchange.destination = 0x0101AA;
    ASSERT_EQ(harness.sim().kernelEls(exchange).received, 8u);
    EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 8), Bytes({0x02, 0, 0, 0, 'p', 'i', 'n', 'g'}));
    exchange.destination = 0x0B0B0B;
    EXPECT_EQ(harness.sim().kernelEls(exchange).error, ETIMEDOUT) << "class 3 frames to nobody are dropped";
}

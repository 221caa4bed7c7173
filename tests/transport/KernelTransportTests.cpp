// The kernel transport's pure parts: sysfs attributes and the lookups over a tree given
// to them (hosts, drivers, remote ports), the CDB a driver reads, and the bsg reply
// decoder, with the bad input a host can hand back.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "BsgReply.h"
#include "FcBsg.h"
#include "FcDriver.h"
#include "FcHostLookup.h"
#include "Files.h"
#include "GsPreambles.h"
#include "KernelAdapters.h"
#include "KernelTransport.h"
#include "GsBytes.h"
#include "TempDir.h"

namespace {
// A scratch tree laid out as /sys/class (fc_host, scsi_host, fc_remote_ports) is.
struct SysfsTree {
    TempDir dir;
    SysfsPaths paths{dir.path(), dir.file("dev")};
    std::string root() const { return dir.path(); }
    // Writes root/relative (no content: a directory), making its directories.
    void put(const std::string& relative, const char* content = nullptr) const {
        if (content == nullptr) return (void)dir.mkdirs(relative);
        makeDirs(std::filesystem::path(dir.file(relative)).parent_path());
        dir.write(relative, content);
    }
};

Wwn wwnOf(std::uint64_t value) {
    Wwn wwn{};
    for (int i = 7; i >= 0; --i, value >>= 8) wwn.bytes[i] = static_cast<std::uint8_t>(value);
    return wwn;
}

ByteSpan spanOf(const std::string& text) { return ByteSpan{reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}; }

std::uint32_t hostWordAt(const std::uint8_t* bytes, std::size_t offset) {
    std::uint32_t word = 0;  // as a driver reads a u32 of the request on this host
    std::memcpy(&word, bytes + offset, sizeof word);
    return word;
}
}  // namespace

TEST(FcHostLookup, FindsTheHostWhosePortNameIsThePortsWwn) {
    SysfsTree tree;
    tree.put("fc_host/host2/port_name", "0x10000000c9a00001\n");
    tree.put("fc_host/host7/port_name", "0x10000000C9A00002\n");
    tree.put("fc_host/host9");                                       // no port_name
    tree.put("fc_host/host11/port_name", "not a wwn\n");              // garbage
    tree.put("fc_host/hostile/port_name", "0x10000000c9a00003\n");    // not a host<N> entry
    // A FIFO nobody writes, and one a writer holds open without writing: both
    // are passed over at once instead of hanging the probe (alarm: the guard).
    for (const char* fifo : {"host3", "host4"}) {
        tree.put(std::string("fc_host/") + fifo);
        ASSERT_EQ(0, ::mkfifo((tree.root() + "/fc_host/" + fifo + "/port_name").c_str(), 0644));
    }
    const int writer = ::open((tree.root() + "/fc_host/host4/port_name").c_str(), O_RDWR);
    ASSERT_GE(writer, 0);
    ::alarm(10);
    unsigned host = 0;
    EXPECT_TRUE(findFcHost(tree.paths, wwnOf(0x10000000C9A00002ull), host));
    EXPECT_EQ(host, 7u);
    EXPECT_TRUE(findFcHost(tree.paths, wwnOf(0x10000000C9A00001ull), host));
    EXPECT_EQ(host, 2u);
    EXPECT_FALSE(findFcHost(tree.paths, wwnOf(0x10000000C9A00003ull), host));
    SysfsPaths missing = tree.paths;
    missing.classDir += "/missing";
    EXPECT_FALSE(findFcHost(missing, wwnOf(0x10000000C9A00001ull), host));
    EXPECT_EQ(fcHostNumbers(tree.paths), (std::vector<unsigned>{2, 3, 4, 7, 9, 11})) << "in host number order";

    // Adapters of the kernel: every host with a port_name the HBA API did not list.
    const std::vector<KernelAdapter> unlisted = unlistedFcHosts({wwnOf(0x10000000C9A00001ull)}, tree.paths);
    ASSERT_EQ(unlisted.size(), 1u);
    EXPECT_EQ(unlisted[0].host, 7u);
    ::alarm(0);
    ::close(writer);
}

// Each decoder takes what the kernel writes and nothing else.
TEST(SysfsAttributes, AsTheKernelWritesThemAndNothingElse) {
    struct Case { const char* text; bool wwn, portId, word; };
    const Case cases[] = {
        {"0x10000000c9a00001\n", true, false, true}, {"0x1", true, true, true},
        {"0xfffffc\n", true, true, true},            {"0x010200", true, true, true},
        {"Online\n", false, false, true},            {"Not Present\n", false, false, true},
        {"(null)\n", false, false, true},            {"", false, false, false},
        {"\n", false, false, false},                 {"0x", false, false, true},
        {"10000000c9a00001", false, false, true},    {"0x10000000c9a000011", false, false, true},
        {"0x1000 0000", false, false, true},         {"0xg0000000c9a00001", false, false, true},
        {"0x10000000c9a00001\n\n", false, false, false}, {"-0x1", false, false, true},
        {"0x1000000", true, false, true},            {"lp\tfc\n", false, false, false},
        {"l\x80pfc", false, false, false},
    };
    for (const Case& c : cases) {
        Wwn wwn{};
        std::uint32_t id = 0;
        std::string word;
        EXPECT_EQ(decodeWwnAttribute(spanOf(c.text), wwn), c.wwn) << '"' << c.text << '"';
        EXPECT_EQ(decodePortIdAttribute(spanOf(c.text), id), c.portId) << '"' << c.text << '"';
        EXPECT_EQ(decodeTextAttribute(spanOf(c.text), word), c.word) << '"' << c.text << '"';
    }
    Wwn wwn{};
    ASSERT_TRUE(decodeWwnAttribute(spanOf("0x10000000c9a00001\n"), wwn));
    EXPECT_STREQ(formatWwn(wwn).text, "10000000C9A00001");
    std::uint32_t id = 0;
    ASSERT_TRUE(decodePortIdAttribute(spanOf("0xfffffa\n"), id));
    EXPECT_EQ(id, 0xFFFFFAu);
    std::string word;
    ASSERT_TRUE(decodeTextAttribute(spanOf("Linkdown\n"), word));
    EXPECT_EQ(word, "Linkdown");
}

// The driver by proc_name, or by the PCI function's module where the kernel prints
// "(null)"; the servers' remote ports by port_id, online only, of that host only.
TEST(FcHostLookup, DriversAndTheServersRemotePorts) {
    SysfsTree tree;
    tree.put("scsi_host/host0/proc_name", "lpfc\n");
    tree.put("scsi_host/host1/proc_name", "(null)\n");
    tree.put("devices/0000:05:00.0/host1/fc_host/host1/port_name", "0x1\n");
    tree.put("devices/0000:05:00.0/driver");
    ASSERT_EQ(0, ::symlink("/sys/module/qla2xxx", (tree.root() + "/devices/0000:05:00.0/driver/module").c_str()));
    ASSERT_EQ(0, ::symlink((tree.root() + "/devices/0000:05:00.0/host1").c_str(),
                           (tree.root() + "/devices/0000:05:00.0/host1/fc_host/host1/device").c_str()));
    tree.put("fc_host");
    ASSERT_EQ(0, ::symlink((tree.root() + "/devices/0000:05:00.0/host1/fc_host/host1").c_str(),
                           (tree.root() + "/fc_host/host1").c_str()));
    tree.put("scsi_host/host2/proc_name", "(null)\n");  // and no PCI function
    EXPECT_EQ(fcHostDriver(tree.paths, 0), "lpfc");
    EXPECT_EQ(fcHostDriver(tree.paths, 1), "qla2xxx");
    EXPECT_EQ(fcHostDriver(tree.paths, 2), "unknown");
    EXPECT_EQ(fcHostDriver(tree.paths, 3), "unknown");

    struct Row { const char* driver; CtWay way; bool needsLogin; };
    for (const Row& row : {Row{"fcoe", CtWay::HostCt, true}, Row{"qedf", CtWay::HostCt, true},
                           Row{"fnic", CtWay::HostCt, true}, Row{"qla2xxx", CtWay::HostCt, false},
                           Row{"ibmvfc", CtWay::HostCt, false}, Row{"lpfc", CtWay::RportCt, true},
                           Row{"zfcp", CtWay::RportCt, true}, Row{"simfc", CtWay::HostCtThenRportCt, true},
                           Row{"unknown", CtWay::HostCtThenRportCt, true}}) {
        EXPECT_EQ(driverCt(row.driver).way, row.way) << row.driver;
        EXPECT_EQ(driverCt(row.driver).needsLogin, row.needsLogin) << row.driver;
    }

    for (const auto& [name, id, state] : {std::tuple{"rport-0:0-0", "0xfffffc\n", "Online\n"},
                                          {"rport-0:0-1", "0xfffffa\n", "Blocked\n"},
                                          {"rport-0:0-2", "0xfffffa\n", "Online\n"},
                                          {"rport-10:0-0", "0xfffffa\n", "Online\n"}}) {  // host10's, not host1's
        tree.put(std::string("fc_remote_ports/") + name + "/port_id", id);
        tree.put(std::string("fc_remote_ports/") + name + "/port_state", state);
    }
    EXPECT_EQ(onlineRport(tree.paths, 0, 0xFFFFFC), "rport-0:0-0");
    EXPECT_EQ(onlineRport(tree.paths, 0, 0xFFFFFA), "rport-0:0-2");
    EXPECT_EQ(onlineRport(tree.paths, 1, 0xFFFFFA), "");
    EXPECT_EQ(onlineRport(tree.paths, 10, 0xFFFFFA), "rport-10:0-0");
}

// What a driver reads of the CDB: port_id most significant byte first, and the CT_IU's
// words 0-2 as host-order integers, whose top byte of word 1 is the GS type (qla2xxx's
// loop id for HST_CT, zfcp's GS type for RPT_CT).
TEST(BsgTransport, TheCdbCarriesThePreambleWordsAsIntegers) {
    for (const auto* preamble : {&GIEL_PREAMBLE, &GID_PN_PREAMBLE}) {
        const std::uint32_t type = (*preamble)[4], code = std::uint32_t((*preamble)[8]) << 24 | (*preamble)[9] << 16;
        std::uint8_t cdb[20];
        buildCtCdb(FC_BSG_HST_CT, *preamble, cdb);
        // Word 1: a zero byte, then port_id most significant byte first.
        const std::uint32_t hostCt[] = {FC_BSG_HST_CT, ctDestination(std::uint8_t(type)), 0x01000000u, type, code};
        for (std::size_t w = 0; w < 5; ++w)
            EXPECT_EQ(w == 1 ? be32At(Bytes(cdb, cdb + 20), 4) : hostWordAt(cdb, 4 * w) >> (w == 3 ? 24 : 0), hostCt[w]) << w;
        buildCtCdb(FC_BSG_RPT_CT, *preamble, cdb);
        const std::uint32_t rportCt[] = {FC_BSG_RPT_CT, 0x01000000u, type, code, 0};  // r_ct ends after its three words
        for (std::size_t w = 0; w < 5; ++w) EXPECT_EQ(hostWordAt(cdb, 4 * w) >> (w == 2 ? 24 : 0), rportCt[w]) << w;
    }
}

// A reply as the kernel writes it, then the SG_IO counts: the used size comes from the reply
// and never passes the buffer; what a kernel cannot mean fails.
TEST(BsgReplyDecode, TheUsedSizeComesFromTheReplyAndBadRepliesFail) {
    constexpr std::int32_t kFilled = -100;   // din_resid: what the reply says arrived
    constexpr std::uint32_t kWhole = 0xFFFF; // response_len: the whole reply
    const struct { const char* what; std::int32_t result; std::uint32_t rcvLen, buffer; std::int32_t resid;
                   std::uint32_t responseLen, transportStatus, deviceStatus, ctelsStatus; bool ok; std::uint32_t used;
                   bool clamped = false, noReply = false, rejected = false; } cases[] = {
        {"an answer", 0, 56, 8212, kFilled, kWhole, 0, 0, 0, true, 56},
        {"more claimed than the buffer", 0, 9000, 8212, 0, kWhole, 0, 0, 0, true, 8212, true},
        {"less filled than claimed", 0, 56, 8212, 8212 - 40, kWhole, 0, 0, 0, true, 40},
        // qla2xxx completes a request that filled its buffer with no reply at all.
        {"no reply, buffer filled", 0, 0, 24, 0, 0, 0, 0, 0, true, 24, false, true},
        {"no reply, 4 bytes short", 0, 0, 24, 4, 0, 0, 0, 0, true, 20, false, true},
        // libfc marks a CT reject in ctels_reply.status; the answer is still one.
        {"a CT reject", 0, 16, 24, kFilled, kWhole, 0, 0, FC_CTELS_STATUS_REJECT, true, 16, false, false, true},
        {"nothing received", 0, 0, 8212, kFilled, kWhole, 0, 0, 0, false, 0},
        {"shorter than a CT_IU header", 0, 8, 8212, kFilled, kWhole, 0, 0, 0, false, 0},
        {"-EIO", -EIO, 56, 8212, kFilled, kWhole, 0, 0, 0, false, 0},
        {"a SCSI-style error result", 0x00070000, 56, 8212, kFilled, kWhole, 0, 0, 0, false, 0},
        {"din_resid beyond the buffer", 0, 56, 8212, 9000, kWhole, 0, 0, 0, false, 0},
        {"din_resid negative", 0, 56, 8212, -1, kWhole, 0, 0, 0, false, 0},
        {"a transport status", 0, 56, 8212, kFilled, kWhole, 1, 0, 0, false, 0},
        {"only the result word written", 0, 56, 8212, kFilled, 4, 0, 0, 0, false, 0},
        {"no reply, nothing arrived", 0, 0, 8212, 8212, 0, 0, 0, 0, false, 0},
        {"no reply, too little arrived", 0, 0, 8212, 8212 - 8, 0, 0, 0, 0, false, 0},
        {"no reply, a device status", 0, 0, 8212, 0, 0, 0, 2, 0, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FcBsgReply reply{};
        reply.result = static_cast<std::uint32_t>(c.result);
        reply.reply_payload_rcv_len = c.rcvLen;
        reply.reply_data.ctels_reply.status = c.ctelsStatus;
        BsgCompletion io;
        io.dinXferLen = c.buffer;
        io.dinResid = c.resid != kFilled ? c.resid : static_cast<std::int32_t>(c.buffer - c.rcvLen);
        io.responseLen = c.responseLen == kWhole ? sizeof reply : c.responseLen;
        io.transportStatus = c.transportStatus;
        io.deviceStatus = c.deviceStatus;
        const BsgVerdict verdict = decodeBsgReply(ByteSpan{reinterpret_cast<const std::uint8_t*>(&reply), sizeof reply}, io);
        EXPECT_EQ(verdict.ok, c.ok);
        if (!c.ok) {
            EXPECT_EQ(verdict.error, c.result < 0 ? -c.result : EIO);
            continue;
        }
        EXPECT_EQ(verdict.used, c.used);
        EXPECT_EQ(verdict.clamped, c.clamped);
        EXPECT_EQ(verdict.noReply, c.noReply);
        EXPECT_EQ(verdict.rejected, c.rejected);
    }
    const std::uint8_t four[4] = {};
    BsgCompletion io;
    io.dinXferLen = 8212;
    io.dinResid = 8212 - 56;
    io.responseLen = 64;
    EXPECT_FALSE(decodeBsgReply(ByteSpan{four, sizeof four}, io).ok) << "reply buffer too small";
}

TEST(BsgTransport, ADeviceThatIsNotThere) {
    SysfsTree tree;  // a device that vanished between lookup and open
    BsgDevice device;
    EXPECT_FALSE(device.open(tree.root() + "/fc_host3"));
    EXPECT_EQ(errno, ENOENT);
    std::uint8_t request[16] = {1, 0, 0, 0, 0xFA, 1};
    std::uint8_t response[64];
    BsgVerdict verdict = sendBsgCt(device, FC_BSG_HST_CT, request, sizeof request, response, sizeof response);
    EXPECT_FALSE(verdict.ok);

    BsgDevice notBsg;  // an ordinary file: SG_IO is refused, reported as a failure with its errno
    std::ofstream(tree.root() + "/fc_host4") << "x";
    ASSERT_TRUE(notBsg.open(tree.root() + "/fc_host4"));
    verdict = sendBsgCt(notBsg, FC_BSG_RPT_CT, request, sizeof request, response, sizeof response);
    EXPECT_FALSE(verdict.ok);
    EXPECT_NE(verdict.error, 0);
}

// The kernel transport's pure parts: the fc_host lookup on a tree given to it, the
// WWN attribute decoder and the bsg reply decoder, with the bad input a host can hand back.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "BsgReply.h"
#include "FcBsg.h"
#include "FcHostLookup.h"
#include "KernelTransport.h"

namespace {
class FcHostTree {
public:
    FcHostTree() {
        char pattern[] = "/tmp/fc-host-test-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
    }
    ~FcHostTree() { std::system(("rm -rf '" + root_ + "'").c_str()); }
    const std::string& root() const { return root_; }
    void host(const std::string& name, const char* portName) const {
        ::mkdir((root_ + "/" + name).c_str(), 0755);
        if (portName != nullptr) std::ofstream(root_ + "/" + name + "/port_name") << portName;
    }

private:
    std::string root_;
};

Wwn wwnOf(std::uint64_t value) {
    Wwn wwn{};
    for (int i = 7; i >= 0; --i, value >>= 8) wwn.bytes[i] = static_cast<std::uint8_t>(value);
    return wwn;
}

bool decodes(const std::string& text, Wwn& wwn) {
    return decodeWwnAttribute(ByteSpan{reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, wwn);
}

// A reply as the kernel writes it, with the SG_IO counts of a good answer of rcvLen bytes.
struct Reply {
    FcBsgReply reply{};
    BsgCompletion io;
    Reply(std::int32_t result, std::uint32_t rcvLen, std::uint32_t buffer) {
        reply.result = static_cast<std::uint32_t>(result);
        reply.reply_payload_rcv_len = rcvLen;
        io.dinXferLen = buffer;
        io.dinResid = static_cast<std::int32_t>(rcvLen <= buffer ? buffer - rcvLen : 0);
        io.responseLen = sizeof reply;
    }
    BsgVerdict decode() const { return decodeBsgReply(ByteSpan{reinterpret_cast<const std::uint8_t*>(&reply), sizeof reply}, io); }
};
}  // namespace

TEST(FcHostLookup, FindsTheHostWhosePortNameIsThePortsWwn) {
    FcHostTree tree;
    tree.host("host2", "0x10000000c9a00001\n");
    tree.host("host7", "0x10000000C9A00002\n");
    tree.host("host9", nullptr);                        // no port_name
    tree.host("host11", "not a wwn\n");                 // garbage
    tree.host("hostile", "0x10000000c9a00003\n");       // not a host<N> entry
    // A FIFO nobody writes, and one a writer holds open without writing: both
    // are passed over at once instead of hanging the probe (alarm: the guard).
    for (const char* fifo : {"host3", "host4"}) {
        tree.host(fifo, nullptr);
        ASSERT_EQ(0, ::mkfifo((tree.root() + "/" + fifo + "/port_name").c_str(), 0644));
    }
    const int writer = ::open((tree.root() + "/host4/port_name").c_str(), O_RDWR);
    ASSERT_GE(writer, 0);
    ::alarm(10);
    unsigned host = 0;
    EXPECT_TRUE(findFcHost(tree.root(), wwnOf(0x10000000C9A00002ull), host));
    EXPECT_EQ(host, 7u);
    EXPECT_TRUE(findFcHost(tree.root(), wwnOf(0x10000000C9A00001ull), host));
    EXPECT_EQ(host, 2u);
    EXPECT_FALSE(findFcHost(tree.root(), wwnOf(0x10000000C9A00003ull), host));
    EXPECT_FALSE(findFcHost(tree.root() + "/missing", wwnOf(0x10000000C9A00001ull), host));
    ::alarm(0);
    ::close(writer);
}

TEST(FcHostLookup, WwnAttributesAsTheKernelWritesThemAndNothingElse) {
    Wwn wwn{};
    ASSERT_TRUE(decodes("0x10000000c9a00001\n", wwn));
    EXPECT_STREQ(formatWwn(wwn).text, "10000000C9A00001");
    ASSERT_TRUE(decodes("0x1", wwn)) << "the kernel drops leading zeros";
    EXPECT_STREQ(formatWwn(wwn).text, "0000000000000001");
    for (const char* bad : {"", "\n", "0x", "0x\n", "10000000c9a00001", "0x10000000c9a000011", "0x1000 0000",
                            "0xg0000000c9a00001", "0x10000000c9a00001\n\n", "-0x1"})
        EXPECT_FALSE(decodes(bad, wwn)) << '"' << bad << '"';
}

TEST(BsgReplyDecode, TheUsedSizeComesFromTheReplyAndNeverPassesTheBuffer) {
    BsgVerdict good = Reply(0, 56, 8212).decode();
    EXPECT_TRUE(good.ok);
    EXPECT_EQ(good.used, 56u);

    Reply longer(0, 9000, 8212);  // more claimed than the buffer holds
    longer.io.dinResid = 0;
    BsgVerdict clamped = longer.decode();
    EXPECT_TRUE(clamped.ok);
    EXPECT_TRUE(clamped.clamped);
    EXPECT_EQ(clamped.used, 8212u);

    Reply residShort(0, 56, 8212);
    residShort.io.dinResid = 8212 - 40;  // the kernel filled less than the reply claims
    EXPECT_EQ(residShort.decode().used, 40u);
}

TEST(BsgReplyDecode, BadRepliesFailWithAReason) {
    EXPECT_FALSE(Reply(0, 0, 8212).decode().ok) << "nothing received";
    EXPECT_FALSE(Reply(0, 8, 8212).decode().ok) << "shorter than a CT_IU header";
    BsgVerdict eio = Reply(-EIO, 56, 8212).decode();
    EXPECT_FALSE(eio.ok);
    EXPECT_EQ(eio.error, EIO);
    EXPECT_FALSE(Reply(0x00070000, 56, 8212).decode().ok) << "a SCSI-style error result";

    Reply resid(0, 56, 8212);
    resid.io.dinResid = 9000;
    EXPECT_FALSE(resid.decode().ok) << "din_resid beyond the buffer";
    resid.io.dinResid = -1;
    EXPECT_FALSE(resid.decode().ok);

    Reply status(0, 56, 8212);
    status.io.transportStatus = 1;
    EXPECT_FALSE(status.decode().ok);

    Reply cut(0, 56, 8212);
    cut.io.responseLen = 4;  // only the result word written
    EXPECT_FALSE(cut.decode().ok);
    const std::uint8_t four[4] = {};
    EXPECT_FALSE(decodeBsgReply(ByteSpan{four, sizeof four}, Reply(0, 56, 8212).io).ok) << "reply buffer too small";
}

TEST(BsgTransport, DestinationsByGsTypeAndADeviceThatIsNotThere) {
    EXPECT_EQ(ctDestination(0xFA), 0xFFFFFAu);
    EXPECT_EQ(ctDestination(0xFC), 0xFFFFFCu);

    FcHostTree tree;  // a device that vanished between lookup and open
    BsgDevice device;
    EXPECT_FALSE(device.open(3, tree.root()));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(device.path(), tree.root() + "/fc_host3");
    std::uint8_t request[16] = {1, 0, 0, 0, 0xFA, 1};
    std::uint8_t response[64];
    BsgVerdict verdict = sendBsgCt(device, request, sizeof request, response, sizeof response);
    EXPECT_FALSE(verdict.ok);

    BsgDevice notBsg;  // an ordinary file: SG_IO is refused, reported as a failure with its errno
    std::ofstream(tree.root() + "/fc_host4") << "x";
    ASSERT_TRUE(notBsg.open(4, tree.root()));
    verdict = sendBsgCt(notBsg, request, sizeof request, response, sizeof response);
    EXPECT_FALSE(verdict.ok);
    EXPECT_NE(verdict.error, 0);
}

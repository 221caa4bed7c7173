// The kernel's FC bsg request and reply for a CT pass-through (FC_BSG_HST_CT to the
// host's device, FC_BSG_RPT_CT to a remote port's), laid
// out as the kernel's published scsi/scsi_bsg_fc.h declares them: Debian's kernel
// headers ship <linux/bsg.h> but not that one.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint32_t FC_BSG_HST_CT = 0x80000004u;  // FC_BSG_HST_MASK | 4
inline constexpr std::uint32_t FC_BSG_RPT_CT = 0x40000002u;  // FC_BSG_RPT_MASK | 2

// fc_bsg_ctels_reply status values.
inline constexpr std::uint32_t FC_CTELS_STATUS_OK = 0;
inline constexpr std::uint32_t FC_CTELS_STATUS_REJECT = 1;

// Well-known addresses: management server (GS type 0xFA), directory server (0xFC).
inline constexpr std::uint32_t kManagementServerId = 0xFFFFFAu;
inline constexpr std::uint32_t kDirectoryServerId = 0xFFFFFCu;

struct FcBsgHostCt {
    std::uint8_t reserved;
    std::uint8_t port_id[3];  // destination, most significant byte first
    std::uint32_t preamble_word0;  // words 0-2 of the CT_IU, for the driver
    std::uint32_t preamble_word1;
    std::uint32_t preamble_word2;
};

struct FcBsgRportCt {
    std::uint32_t preamble_word0;  // words 0-2 of the CT_IU, for the driver
    std::uint32_t preamble_word1;
    std::uint32_t preamble_word2;
};

struct FcBsgRequest {
    std::uint32_t msgcode;
    union {
        FcBsgHostCt h_ct;
        FcBsgRportCt r_ct;
        std::uint64_t h_vendor_id;  // the largest-aligned member of the kernel's union
    } rqst_data;
} __attribute__((packed));

struct FcBsgCtelsReply {
    std::uint32_t status;
    std::uint8_t action;
    std::uint8_t reason_code;
    std::uint8_t reason_explanation;
    std::uint8_t vendor_unique;
};

struct FcBsgReply {
    std::uint32_t result;  // 0, or -errno
    std::uint32_t reply_payload_rcv_len;
    union {
        FcBsgCtelsReply ctels_reply;
    } reply_data;
};

static_assert(sizeof(FcBsgRequest) == 20, "fc_bsg_request is 20 bytes");
static_assert(sizeof(FcBsgReply) == 16, "fc_bsg_reply is 16 bytes");
inline constexpr std::size_t kBsgReplyResultOffset = 0;
inline constexpr std::size_t kBsgReplyRcvLenOffset = 4;
inline constexpr std::size_t kBsgReplyCtelsStatusOffset = 8;

// The destination of a CT_IU by its GS type (byte 4): the directory server for 0xFC,
// the management server otherwise.
inline std::uint32_t ctDestination(std::uint8_t gsType) {
    return gsType == 0xFC ? kDirectoryServerId : kManagementServerId;
}

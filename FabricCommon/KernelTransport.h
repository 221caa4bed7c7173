// One CT pass-through request through a bsg device of the kernel's FC transport:
// FC_BSG_HST_CT on /dev/bsg/fc_host<N>, FC_BSG_RPT_CT on /dev/bsg/rport-H:C-R.
#pragma once

#include <cstdint>
#include <string>

#include "BsgReply.h"

// The bsg timeout given with every request (sg_io_v4.timeout, milliseconds). 0 would
// mean 60 s (block/bsg.c:45-55). 30 s lies above the CT timeouts the drivers arm
// themselves, 2 x R_A_TOV = 20 s (lpfc_bsg.c:460; qla2xxx's firmware default for a CT
// IOCB timeout of 0, qla_iocb.c:3241; libfc's 2 s E_D_TOV), so a driver's own timeout,
// which aborts the exchange, fires first; the block layer's only ends a request the
// driver never completes, and a hung request costs half of what the default costs.
inline constexpr std::uint32_t kBsgTimeoutMs = 30000;

// Owns the descriptor of one bsg device.
class BsgDevice {
public:
    BsgDevice() = default;
    ~BsgDevice() { close(); }
    BsgDevice(const BsgDevice&) = delete;
    BsgDevice& operator=(const BsgDevice&) = delete;

    // Opens the device at path; false with errno set.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// The CDB of one CT_IU (header included, at least 16 bytes): for FC_BSG_HST_CT the
// destination its GS type names (port_id, most significant byte first); for both
// messages the CT_IU's words 0-2 as host-order integers of the wire words, as drivers
// read them (qla2xxx takes the GS type from the top byte of preamble_word1, qla_bsg.c:510-512;
// a copy of the wire bytes would put CT byte 7 there on a little-endian host).
void buildCtCdb(std::uint32_t msgcode, const std::uint8_t* request, std::uint8_t (&cdb)[20]);

// Sends one CT_IU as msgcode (FC_BSG_HST_CT or FC_BSG_RPT_CT) through the device; the
// answer lands in response. Never reads past either buffer. A failed ioctl is a
// failure with its errno (the kernel copies nothing back then, bsg.c:66-69).
BsgVerdict sendBsgCt(const BsgDevice& device, std::uint32_t msgcode, const std::uint8_t* request,
                     std::uint32_t requestSize, std::uint8_t* response, std::uint32_t responseSize);

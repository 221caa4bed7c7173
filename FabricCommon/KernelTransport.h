// CT pass-through through the kernel's FC transport (/dev/bsg/fc_host<N>), for hosts
// whose HBA library does not answer CT calls (libhbalinux).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "BsgReply.h"
#include "CtRoute.h"
#include "GsTypes.h"

// Owns the descriptor of one fc_host's bsg device.
class BsgDevice {
public:
    BsgDevice() = default;
    ~BsgDevice() { close(); }
    BsgDevice(const BsgDevice&) = delete;
    BsgDevice& operator=(const BsgDevice&) = delete;

    // Opens <devDir>/fc_host<hostNumber>; false with errno set.
    bool open(unsigned hostNumber, const std::string& devDir = "/dev/bsg");
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// Sends one CT_IU (header included) as FC_BSG_HST_CT to the server its GS type names;
// the answer lands in response. Never reads past either buffer.
BsgVerdict sendBsgCt(const BsgDevice& device, const std::uint8_t* request, std::uint32_t requestSize,
                     std::uint8_t* response, std::uint32_t responseSize);

// FC_BSG_HST_CT through the bsg device of the fc_host that serves one port,
// to the server the request's GS type names.
class KernelHostCtRoute : public CtRoute {
public:
    // The route of the port's fc_host (classDir is normally /sys/class/fc_host);
    // null, traced, when no fc_host serves the port or its device does not open.
    static std::unique_ptr<KernelHostCtRoute> open(const Wwn& port, const std::string& classDir,
                                                   const std::string& devDir = "/dev/bsg");
    void traceCall() const override;
    CtSent send(const CtExchange& exchange) override;
    void traceUsed(const CtSent& sent) const override;

private:
    BsgDevice device_;
};

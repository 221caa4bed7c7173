// CT pass-through through the kernel's FC transport (/dev/bsg/fc_host<N>), for hosts
// whose HBA library does not answer CT calls (libhbalinux).
#pragma once

#include <cstdint>
#include <string>

#include "BsgReply.h"
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

// The open adapter's way to the kernel transport: taken after the HBA library
// answered NOT_SUPPORTED, then kept for every later request of that adapter.
class KernelRoute {
public:
    // A new adapter: nothing chosen, nothing warned about.
    void reset();
    bool engaged() const { return engaged_; }
    // The bsg device of the port's fc_host, opened (again when the port changes);
    // false, traced, when no fc_host serves the port or its device does not open.
    bool deviceFor(const Wwn& port);
    const BsgDevice& device() const { return device_; }
    // True the first time it is asked for this adapter: the moment to log that nothing can be asked.
    bool firstWarning();

private:
    BsgDevice device_;
    Wwn port_{};
    bool engaged_ = false;
    bool warned_ = false;
};

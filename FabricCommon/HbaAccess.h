// Loading the HBA API, adapter enumeration and the fabric-attachment test.
#pragma once

#include <cstdint>
#include <vector>

#include "GsTypes.h"

// 0: HBA API ready (possibly with zero adapters); otherwise the status of the
// load, or 1 when no adapter is seen and no library in hba.conf can be loaded.
int initialize();
int getNumberOfAdapters();
// Handle of the opened adapter with its fabric-attached port WWNs appended to
// fabricPorts, or 0 when the adapter was filtered (and closed).
HbaHandle openOrFilterAdapter(int adapterIndex, std::vector<Wwn>& fabricPorts, int& status);
void finalize();
void closeAdapter(HbaHandle handle);
// The fabric test: FC identifiers 0x00 to 0xFF are loop or unattached addresses; a
// switch hands out higher ones.
inline bool isFabricAttached(std::uint32_t portFcId) { return portFcId > 0xFFu; }
// The WWN of every port the HBA API's adapters report, on a fabric or not, read without
// trace lines: which of the kernel's fc_hosts the HBA API covers.
std::vector<Wwn> hbaApiPorts(int adapters);
// -1: file cannot be opened; 0: a listed library loads; 1: none does.
int checkHBAConfig(const char* path = "/etc/hba.conf");

// Owns the HBA API load: finalize() runs on every path after a successful initialize().
class HbaApiSession {
public:
    HbaApiSession() : status_(initialize()) {}
    ~HbaApiSession() {
        if (status_ == 0) finalize();
    }
    HbaApiSession(const HbaApiSession&) = delete;
    HbaApiSession& operator=(const HbaApiSession&) = delete;
    int status() const { return status_; }

private:
    int status_;
};

// Owns one open adapter handle.
class OpenAdapter {
public:
    explicit OpenAdapter(HbaHandle handle) : handle_(handle) {}
    ~OpenAdapter() {
        if (handle_ != 0) closeAdapter(handle_);
    }
    OpenAdapter(const OpenAdapter&) = delete;
    OpenAdapter& operator=(const OpenAdapter&) = delete;
    HbaHandle get() const { return handle_; }
    // Hands the open adapter over to the caller, who closes it.
    HbaHandle release() {
        const HbaHandle handle = handle_;
        handle_ = 0;
        return handle;
    }

private:
    HbaHandle handle_;
};

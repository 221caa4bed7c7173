// A small HBA API client for the simulator's end-to-end tests: it loads the real SNIA
// library (which loads the simulator through /etc/hba.conf) and runs the lines of a script
// read from standard input, printing one result line for each:
//   send A V CMD KEY [SIZE]       a GS request as the probe builds it; V is v1, v2 or v2:PORTINDEX;
//                                 KEY is - for none; SIZE defaults to the probe's buffer size
//   extras A                      entry points the simulator leaves to the SNIA library, and its attributes
// A send prints "status=S size=N HEX", N being the size the V2 call reported (V1: the buffer).
#include <ctime>

#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <hbaapi.h>

#include "SimHarness.h"

namespace {

std::map<int, HBA_HANDLE> handles;

HBA_HANDLE handleFor(int adapter) {
    auto it = handles.find(adapter);
    if (it != handles.end()) return it->second;
    char name[256] = {0};
    HBA_HANDLE handle = 0;
    if (HBA_GetAdapterName(static_cast<HBA_UINT32>(adapter), name) == HBA_STATUS_OK) handle = HBA_OpenAdapter(name);
    handles[adapter] = handle;
    return handle;
}

void send(int adapter, const std::string& version, const Bytes& request, std::size_t size) {
    HBA_HANDLE h = handleFor(adapter);
    Bytes response(size, 0);
    HBA_STATUS s;
    HBA_UINT32 returned = static_cast<HBA_UINT32>(size);
    if (version == "v1") {
        s = HBA_SendCTPassThru(h, const_cast<std::uint8_t*>(request.data()), static_cast<HBA_UINT32>(request.size()),
                               response.data(), static_cast<HBA_UINT32>(size));
    } else {
        HBA_UINT32 portIndex = 0;
        if (version.size() > 3 && version.compare(0, 3, "v2:") == 0) portIndex = static_cast<HBA_UINT32>(std::stoul(version.substr(3)));
        HBA_PORTATTRIBUTES pa{};
        HBA_GetAdapterPortAttributes(h, portIndex, &pa);
        s = HBA_SendCTPassThruV2(h, pa.PortWWN, const_cast<std::uint8_t*>(request.data()),
                                 static_cast<HBA_UINT32>(request.size()), response.data(), &returned);
    }
    response.resize(returned < size ? returned : size);
    std::printf("status=%u size=%u %s\n", s, returned, toHex(response).c_str());
}

void extras(int adapter) {
    HBA_HANDLE h = handleFor(adapter);
    HBA_PORTSTATISTICS statistics;
    HBA_PORTATTRIBUTES attributes;
    HBA_WWN wwn{};
    HBA_UINT32 size = 0;
    char buffer[64];
    std::printf("statistics=%u discovered=%u bywwn=%u rnid=%u\n", HBA_GetPortStatistics(h, 0, &statistics),
                HBA_GetDiscoveredPortAttributes(h, 0, 0, &attributes), HBA_GetPortAttributesByWWN(h, wwn, &attributes),
                HBA_SendRNIDV2(h, wwn, wwn, 0, 0, buffer, &size));
    HBA_LIBRARYATTRIBUTES library{};
    HBA_UINT32 version = HBA_GetVendorLibraryAttributes(static_cast<HBA_UINT32>(adapter), &library);
    std::printf("library version=%u name=%s path=%s\n", version, library.VName, library.LibPath);
}

}  // namespace

int main() {
    HBA_STATUS loaded = HBA_LoadLibrary();
    std::printf("load status=%u adapters=%u\n", loaded, HBA_GetNumberOfAdapters());  // the SNIA library learns its adapters here
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string op;
        in >> op;
        try {
            if (op == "send") {
                int adapter;
                std::string version, command, key;
                std::size_t size = 0;
                in >> adapter >> version >> command >> key;
                const fabricsim::GsCommandInfo* info = fabricsim::findCommandByName(command);
                if (info == nullptr) throw std::invalid_argument("unknown command " + command);
                if (!(in >> size)) size = fstest::probeResponseSize(info->id);
                send(adapter, version, fstest::buildRequest(info->id, key == "-" ? "" : key, size), size);
            } else if (op == "extras") {
                int adapter;
                in >> adapter;
                extras(adapter);
            } else if (!op.empty()) {
                std::printf("error unknown operation %s\n", op.c_str());
            }
        } catch (const std::exception& e) {
            std::printf("error %s\n", e.what());
        }
        std::fflush(stdout);
    }
    for (const auto& entry : handles)
        if (entry.second != 0) HBA_CloseAdapter(entry.second);
    std::printf("free status=%u\n", HBA_FreeLibrary());
    return 0;
}

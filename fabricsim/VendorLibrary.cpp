// The HBA API vendor entry points: the SNIA library loads this library through
// /etc/hba.conf and calls these with the handles we give out.
#include <ctime>
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include <hbaapi.h>
#include <vendorhbaapi.h>

#include "Simulator.h"

using fabricsim::Adapter;
using fabricsim::AdapterFailure;
using fabricsim::AdapterPort;
using fabricsim::Simulator;

namespace {

// The vendor interface is a plain C table without a context pointer, so the loaded
// simulator lives here from registration to HBA_FreeLibrary. Every entry point holds
// the lock for its whole call, so freeing cannot pull the simulator from under a call.
std::mutex gLock;
std::unique_ptr<Simulator> gSimulator;

#define LOCKED std::lock_guard<std::mutex> lockedCall(gLock)

Simulator* simulator() { return gSimulator.get(); }

// No exception may cross into the C caller: an allocation that fails is a failed call.
template <class Result, class Body>
Result guarded(Result onFailure, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return onFailure;
    }
}

void copyText(char* field, std::size_t size, const std::string& text) {
    std::snprintf(field, size, "%s", text.c_str());
}

void setWwn(HBA_WWN& out, fabricsim::Wwn wwn) { fabricsim::writeWwn(wwn, out.wwn); }

HBA_UINT32 getVersion() { return HBA_LIBVERSION; }

HBA_STATUS loadLibrary() {
    LOCKED; return simulator() != nullptr ? HBA_STATUS_OK : HBA_STATUS_ERROR; }

HBA_STATUS freeLibrary() {
    LOCKED;
    gSimulator.reset();
    return HBA_STATUS_OK;
}

HBA_UINT32 numberOfAdapters() {
    LOCKED;
    Simulator* sim = simulator();
    return sim != nullptr ? sim->adapterCount() : 0;
}

HBA_STATUS adapterName(HBA_UINT32 index, char* name) {
    LOCKED;
    Simulator* sim = simulator();
    const Adapter* adapter = sim != nullptr ? sim->adapterAt(index) : nullptr;
    if (adapter == nullptr) return HBA_STATUS_ERROR_ILLEGAL_INDEX;
    if (name == nullptr) return HBA_STATUS_ERROR_ARG;
    if (adapter->fail == AdapterFailure::Name) return HBA_STATUS_ERROR;
    copyText(name, 256, adapter->name);
    return HBA_STATUS_OK;
}

HBA_HANDLE openAdapter(char* name) {
    LOCKED;
    Simulator* sim = simulator();
    return sim != nullptr ? guarded<HBA_HANDLE>(0, [&] { return sim->openAdapter(name); }) : 0;
}

void closeAdapter(HBA_HANDLE handle) {
    LOCKED;
    if (Simulator* sim = simulator()) sim->closeAdapter(handle);
}

HBA_STATUS adapterAttributes(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES* attributes) {
    LOCKED;
    return guarded<HBA_STATUS>(HBA_STATUS_ERROR, [&]() -> HBA_STATUS {
        Simulator* sim = simulator();
        const Adapter* adapter = sim != nullptr ? sim->adapterForHandle(handle) : nullptr;
        if (adapter == nullptr) return HBA_STATUS_ERROR_INVALID_HANDLE;
        if (attributes == nullptr) return HBA_STATUS_ERROR_ARG;
        if (adapter->fail == AdapterFailure::Attributes) return HBA_STATUS_ERROR;
        std::memset(attributes, 0, sizeof *attributes);
        copyText(attributes->Manufacturer, sizeof attributes->Manufacturer, "fabricsim");
        copyText(attributes->SerialNumber, sizeof attributes->SerialNumber, "SIM" + fabricsim::hexText(handle, 6));
        copyText(attributes->Model, sizeof attributes->Model, "fabricsim");
        copyText(attributes->ModelDescription, sizeof attributes->ModelDescription, "Simulated Fibre Channel adapter");
        setWwn(attributes->NodeWWN, adapter->nodeWwn);
        copyText(attributes->NodeSymbolicName, sizeof attributes->NodeSymbolicName, adapter->name);
        copyText(attributes->HardwareVersion, sizeof attributes->HardwareVersion, "1");
        copyText(attributes->DriverVersion, sizeof attributes->DriverVersion, "1");
        copyText(attributes->OptionROMVersion, sizeof attributes->OptionROMVersion, "1");
        copyText(attributes->FirmwareVersion, sizeof attributes->FirmwareVersion, "1");
        attributes->NumberOfPorts = static_cast<HBA_UINT32>(adapter->ports.size());
        copyText(attributes->DriverName, sizeof attributes->DriverName, "fabricsim");
        return HBA_STATUS_OK;
    });
}

HBA_STATUS portAttributes(HBA_HANDLE handle, HBA_UINT32 index, HBA_PORTATTRIBUTES* attributes) {
    LOCKED;
    return guarded<HBA_STATUS>(HBA_STATUS_ERROR, [&]() -> HBA_STATUS {
        Simulator* sim = simulator();
        const Adapter* adapter = sim != nullptr ? sim->adapterForHandle(handle) : nullptr;
        if (adapter == nullptr) return HBA_STATUS_ERROR_INVALID_HANDLE;
        if (index >= adapter->ports.size()) return HBA_STATUS_ERROR_ILLEGAL_INDEX;
        if (attributes == nullptr) return HBA_STATUS_ERROR_ARG;
        const AdapterPort& port = adapter->ports[index];
        if (port.failAttributes) return HBA_STATUS_ERROR;
        std::memset(attributes, 0, sizeof *attributes);
        setWwn(attributes->NodeWWN, adapter->nodeWwn);
        setWwn(attributes->PortWWN, port.wwn);
        attributes->PortFcId = port.fcid;
        attributes->PortType = port.fabric ? HBA_PORTTYPE_NPORT : HBA_PORTTYPE_UNKNOWN;
        attributes->PortState = port.fabric ? HBA_PORTSTATE_ONLINE : HBA_PORTSTATE_LINKDOWN;
        attributes->PortSupportedClassofService = 0x08;  // class 3
        copyText(attributes->PortSymbolicName, sizeof attributes->PortSymbolicName,
                 adapter->name + " port " + std::to_string(index));
        copyText(attributes->OSDeviceName, sizeof attributes->OSDeviceName, "/dev/null");
        attributes->PortSupportedSpeed = HBA_PORTSPEED_10GBIT;
        attributes->PortSpeed = port.fabric ? HBA_PORTSPEED_10GBIT : HBA_PORTSPEED_UNKNOWN;
        attributes->PortMaxFrameSize = 2048;
        if (port.fabric) {
            const auto& fabric = sim->model().fabrics[*port.fabric];
            if (fabric.name) setWwn(attributes->FabricName, *fabric.name);
        }
        return HBA_STATUS_OK;
    });
}

void refreshInformation(HBA_HANDLE) {}

HBA_STATUS sendCtPassThru(HBA_HANDLE handle, void* request, HBA_UINT32 requestSize, void* response,
                          HBA_UINT32 responseSize) {
    LOCKED;
    Simulator* sim = simulator();
    if (sim == nullptr) return HBA_STATUS_ERROR;
    return guarded<HBA_STATUS>(HBA_STATUS_ERROR, [&] {
        return sim->passThrough(handle, nullptr, request, requestSize, response, responseSize, nullptr);
    });
}

HBA_STATUS sendCtPassThruV2(HBA_HANDLE handle, HBA_WWN port, void* request, HBA_UINT32 requestSize, void* response,
                            HBA_UINT32* responseSize) {
    LOCKED;
    Simulator* sim = simulator();
    if (sim == nullptr) return HBA_STATUS_ERROR;
    if (responseSize == nullptr) return HBA_STATUS_ERROR_ARG;
    const fabricsim::Wwn wwn = fabricsim::readWwn(port.wwn);
    return guarded<HBA_STATUS>(HBA_STATUS_ERROR, [&] {
        return sim->passThrough(handle, &wwn, request, requestSize, response, *responseSize, responseSize);
    });
}

HBA_UINT32 vendorLibraryAttributes(HBA_LIBRARYATTRIBUTES* attributes) {
    if (attributes != nullptr) {
        std::memset(attributes, 0, sizeof *attributes);
        Dl_info info;
        if (::dladdr(reinterpret_cast<void*>(&vendorLibraryAttributes), &info) != 0 && info.dli_fname != nullptr)
            copyText(attributes->LibPath, sizeof attributes->LibPath, info.dli_fname);
        copyText(attributes->VName, sizeof attributes->VName, "fabricsim");
        copyText(attributes->VVersion, sizeof attributes->VVersion, FABRICSIM_VERSION);
    }
    return HBA_LIBVERSION;
}

bool loadSimulator() {
    std::string error;
    std::unique_ptr<Simulator> sim;
    try {
        sim = Simulator::fromEnvironment(error);
    } catch (const std::exception& e) {
        error = std::string("fabricsim: cannot load the model: ") + e.what();
    }
    if (!sim) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    LOCKED;
    gSimulator = std::move(sim);
    return true;
}

void fillVersion1(HBA_ENTRYPOINTS* table) {
    std::memset(table, 0, sizeof *table);
    table->GetVersionHandler = getVersion;
    table->LoadLibraryHandler = loadLibrary;
    table->FreeLibraryHandler = freeLibrary;
    table->GetNumberOfAdaptersHandler = numberOfAdapters;
    table->GetAdapterNameHandler = adapterName;
    table->OpenAdapterHandler = openAdapter;
    table->CloseAdapterHandler = closeAdapter;
    table->GetAdapterAttributesHandler = adapterAttributes;
    table->GetAdapterPortAttributesHandler = portAttributes;
    table->SendCTPassThruHandler = sendCtPassThru;
    table->RefreshInformationHandler = refreshInformation;
    // Everything else stays null: the SNIA library answers HBA_STATUS_ERROR_NOT_SUPPORTED for it.
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) HBA_STATUS HBA_RegisterLibrary(HBA_ENTRYPOINTS* table) {
    if (table == nullptr) return HBA_STATUS_ERROR_ARG;
    if (!loadSimulator()) return HBA_STATUS_ERROR;
    fillVersion1(table);
    return HBA_STATUS_OK;
}

__attribute__((visibility("default"))) HBA_STATUS HBA_RegisterLibraryV2(HBA_ENTRYPOINTSV2* table) {
    if (table == nullptr) return HBA_STATUS_ERROR_ARG;
    if (!loadSimulator()) return HBA_STATUS_ERROR;
    std::memset(table, 0, sizeof *table);
    fillVersion1(reinterpret_cast<HBA_ENTRYPOINTS*>(table));
    table->SendCTPassThruV2Handler = sendCtPassThruV2;
    table->GetVendorLibraryAttributesHandler = vendorLibraryAttributes;
    return HBA_STATUS_OK;
}

}  // extern "C"

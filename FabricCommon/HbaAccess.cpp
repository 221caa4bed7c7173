// Loading the HBA API, adapter enumeration and the fabric-attachment test.
#include "HbaAccess.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <ctime>  // hbaapi.h uses struct tm without declaring it
#include <hbaapi.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "naMessages.h"
#include "naTrace.h"

namespace {
// The HBA API's adapter name buffer.
constexpr std::size_t kAdapterNameSize = 256;

Wwn toWwn(const HBA_WWN& hbaWwn) {
    Wwn wwn;
    std::memcpy(wwn.bytes, hbaWwn.wwn, sizeof wwn.bytes);
    return wwn;
}
// The status of a load or free of the library; a failure is traced and logged.
int libraryStatus(const char* call, HBA_STATUS status) {
    const int rc = static_cast<int>(status);
    if (rc != 0) {
        NATRACE(TR_MIN, "%s failed, rc: %d\n", call, rc);
        naLogMessage(AGT0431W, call, rc);
    }
    return rc;
}
}  // namespace

int initialize() {
    static const char fn[] = "initialize()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);

    const int loadStatus = libraryStatus("HBA_LoadLibrary", HBA_LoadLibrary());
    if (loadStatus != 0) {
        NATRACE(TR_EXIT, "Exit %s, rc: %d\n", fn, loadStatus);
        return loadStatus;
    }

    int result = 0;
    // No adapter at all: tell a host without adapters from one whose vendor libraries do not load.
    if (HBA_GetNumberOfAdapters() == 0 && checkHBAConfig() == 1) {
        NATRACE(TR_MIN, "unable to load HBA API libraries\n");
        result = 1;
    }
    NATRACE(TR_EXIT, "Exit %s, rc: %d\n", fn, loadStatus);
    return result;
}

int checkHBAConfig(const char* path) {
    static const char fn[] = "checkHBAConfig";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);

    // A directory opens like a file but holds no lines: it is no configuration either.
    struct stat info;
    if (path == nullptr || ::stat(path, &info) != 0 || S_ISDIR(info.st_mode)) return -1;
    std::ifstream conf(path);
    if (!conf.is_open()) return -1;

    int result = 1;
    std::string line;
    while (std::getline(conf, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string name, libraryPath;
        if (!(words >> name >> libraryPath)) continue;

        NATRACE(TR_MAX, "%s %s\n", naTraceText(name).c_str(), naTraceText(libraryPath).c_str());
        // Only tried, never kept: the HBA API does its own loading.
        if (void* library = dlopen(libraryPath.c_str(), RTLD_LAZY)) {
            NATRACE(TR_MAX, "library %s loaded successfully\n", naTraceText(libraryPath).c_str());
            dlclose(library);
            result = 0;
            break;
        }
        NATRACE(TR_MAX, "could not load %s\n", naTraceText(libraryPath).c_str());
    }
    conf.close();

    if (result == 1) NATRACE(TR_MAX, "Unable to load any libraries\n");
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return result;
}

int getNumberOfAdapters() {
    static const char fn[] = "getNumberOfAdapters()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    const int count = static_cast<int>(HBA_GetNumberOfAdapters());
    NATRACE(TR_EXIT, "Exit %s, number of adapters: %d\n", fn, count);
    return count;
}

namespace {
// The adapter at the index, opened by its name; 0 (status set) when either step fails.
HbaHandle openByIndex(int adapterIndex, int& status, char (&name)[kAdapterNameSize]) {
    // Zeroed and terminated here: a vendor library may fill the buffer without a terminator.
    status = static_cast<int>(HBA_GetAdapterName(static_cast<HBA_UINT32>(adapterIndex), name));
    name[kAdapterNameSize - 1] = '\0';
    if (status != 0) {
        NATRACE(TR_MIN, "Unable to get adapter name for adapter index %d, rc: %d\n", adapterIndex, status);
        return 0;
    }
    NATRACE(TR_MIN, "adapter name for adapter %d is %s\n", adapterIndex, name);
    const HBA_HANDLE handle = HBA_OpenAdapter(name);
    if (handle == 0) {
        status = 1;
        NATRACE(TR_MIN, "Unable to open adapter %s\n", name);
        return 0;
    }
    NATRACE(TR_MIN, "adapter %s opened successfully\n", name);
    return handle;
}

// The WWN of port p when it is attached to a switched fabric.
bool fabricPortOf(HbaHandle handle, int adapterIndex, HBA_UINT32 p, int& status, Wwn& wwn) {
    const int port = static_cast<int>(p);
    NATRACE(TR_MIN, "getting adapter port attributes for adapter port %d for adapter %d\n", port, adapterIndex);
    HBA_PORTATTRIBUTES attributes;
    std::memset(&attributes, 0, sizeof attributes);
    status = static_cast<int>(HBA_GetAdapterPortAttributes(handle, p, &attributes));
    if (status != 0) {
        NATRACE(TR_MIN, "unable to get port attributes for port %d\n", port);
        return false;
    }
    NATRACE(TR_MIN, "FcId of the adapter port %d for adapter %d = %X\n", port, adapterIndex,
            static_cast<unsigned>(attributes.PortFcId));
    if (!isFabricAttached(attributes.PortFcId)) return false;
    NATRACE(TR_MIN, "Port %d for adapter %d connected  to a  switched fabric\n", port, adapterIndex);
    wwn = toWwn(attributes.PortWWN);
    if (TR_MIN)
        NATRACE(TR_MIN, "adapter: %d, port: %d, port wwn: %s connected to fabric\n", adapterIndex, port,
                formatWwn(attributes.PortWWN.wwn).text);
    return true;
}

// The open adapter's fabric-attached ports, appended to fabricPorts.
void collectFabricPorts(HbaHandle handle, int adapterIndex, const char* name, std::vector<Wwn>& fabricPorts,
                        int& status) {
    HBA_ADAPTERATTRIBUTES adapter;
    std::memset(&adapter, 0, sizeof adapter);
    status = static_cast<int>(HBA_GetAdapterAttributes(handle, &adapter));
    if (status != 0) {
        NATRACE(TR_MIN, "Unable to get adapter attributes for %s, rc: %d\n", name, status);
        return;
    }
    if (TR_MIN) NATRACE(TR_MIN, "HBA Node WWN for adapter: 0x%s\n", formatWwn(adapter.NodeWWN.wwn).text);
    NATRACE(TR_MIN, "Number of ports in adapter %d is %d\n", adapterIndex, static_cast<int>(adapter.NumberOfPorts));
    for (HBA_UINT32 p = 0; p < adapter.NumberOfPorts; ++p) {
        Wwn wwn;
        if (fabricPortOf(handle, adapterIndex, p, status, wwn)) fabricPorts.push_back(wwn);
    }
}
}  // namespace

HbaHandle openOrFilterAdapter(int adapterIndex, std::vector<Wwn>& fabricPorts, int& status) {
    static const char fn[] = "openOrFilterAdapter()";
    NATRACE(TR_ENTER, "Enter: %s, adapter index: %d\n", fn, adapterIndex);
    status = 0;
    char name[kAdapterNameSize] = {};
    OpenAdapter adapter(openByIndex(adapterIndex, status, name));
    const std::size_t before = fabricPorts.size();
    if (adapter.get() != 0) collectFabricPorts(adapter.get(), adapterIndex, name, fabricPorts, status);

    HbaHandle handle = 0;
    if (fabricPorts.size() == before)
        NATRACE(TR_MIN, "Filtering adapter index %d\n", adapterIndex);  // closed by the adapter's handle
    else
        handle = adapter.release();
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return handle;
}

std::vector<Wwn> hbaApiPorts(int adapters) {
    std::vector<Wwn> ports;
    for (int index = 0; index < adapters; ++index) {
        char name[kAdapterNameSize] = {};
        if (HBA_GetAdapterName(static_cast<HBA_UINT32>(index), name) != HBA_STATUS_OK) continue;
        name[kAdapterNameSize - 1] = '\0';
        const OpenAdapter adapter(HBA_OpenAdapter(name));
        HBA_ADAPTERATTRIBUTES attributes;
        std::memset(&attributes, 0, sizeof attributes);
        if (adapter.get() == 0 || HBA_GetAdapterAttributes(adapter.get(), &attributes) != HBA_STATUS_OK) continue;
        for (HBA_UINT32 p = 0; p < attributes.NumberOfPorts; ++p) {
            HBA_PORTATTRIBUTES port;
            std::memset(&port, 0, sizeof port);
            if (HBA_GetAdapterPortAttributes(adapter.get(), p, &port) == HBA_STATUS_OK)
                ports.push_back(toWwn(port.PortWWN));
        }
    }
    return ports;
}

void closeAdapter(HbaHandle handle) {
    if (handle != 0) HBA_CloseAdapter(handle);
}

void finalize() {
    static const char fn[] = "finalize()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    if (libraryStatus("HBA_FreeLibrary", HBA_FreeLibrary()) == 0)
        NATRACE(TR_MAX, "HBA_FreeLibrary call is successful\n");
    NATRACE(TR_EXIT, "Exit %s\n", fn);
}

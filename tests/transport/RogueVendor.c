/* An HBA API vendor library that misbehaves the way real ones can, for the
 * cases the simulator's model cannot express: an empty adapter name, failed
 * calls that still fill their buffers with garbage, and response sizes that
 * do not match the buffer.
 *
 * Adapters: 0 "" (one fabric port), 1 "rogue-garbage" (attributes fail after
 * filling garbage), 2 "rogue-ports" (port 0 fails with garbage, ports 1-2 fabric).
 * Pass-through, by command code: GIEL accepts; GFN accepts but reports a
 * response size of 100000 bytes; GDID fails on both calls after filling the
 * buffer with 0x5A and reports 0xFFFFFFFF bytes; GIELN accepts and reports 0 bytes. */
#include <string.h>
#include <time.h>

#include <hbaapi.h>
#include <vendorhbaapi.h>

#define EXPORT __attribute__((visibility("default")))

static const char* const adapterNames[] = {"", "rogue-garbage", "rogue-ports"};
#define ADAPTERS 3u

static HBA_UINT32 getVersion(void) { return HBA_LIBVERSION; }
static HBA_STATUS ok(void) { return HBA_STATUS_OK; }
static HBA_UINT32 numberOfAdapters(void) { return ADAPTERS; }

static HBA_STATUS adapterName(HBA_UINT32 index, char* name) {
    if (index >= ADAPTERS) return HBA_STATUS_ERROR_ILLEGAL_INDEX;
    strcpy(name, adapterNames[index]);
    return HBA_STATUS_OK;
}

static HBA_HANDLE openAdapter(char* name) {
    for (HBA_UINT32 i = 0; i < ADAPTERS; ++i)
        if (strcmp(name, adapterNames[i]) == 0) return i + 1;
    return 0;
}

static void closeAdapter(HBA_HANDLE handle) { (void)handle; }

static HBA_STATUS adapterAttributes(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES* attributes) {
    memset(attributes, 0, sizeof *attributes);
    if (handle == 2) {
        memset(attributes, 0xA5, sizeof *attributes);
        attributes->NumberOfPorts = 0xFFFFFFFFu;
        return HBA_STATUS_ERROR;
    }
    attributes->NodeWWN.wwn[0] = 0x20;
    attributes->NodeWWN.wwn[7] = (HBA_UINT8)handle;
    attributes->NumberOfPorts = handle == 3 ? 3 : 1;
    return HBA_STATUS_OK;
}

static HBA_STATUS portAttributes(HBA_HANDLE handle, HBA_UINT32 index, HBA_PORTATTRIBUTES* attributes) {
    memset(attributes, 0, sizeof *attributes);
    if (handle == 3 && index == 0) {
        memset(attributes, 0xA5, sizeof *attributes);
        return HBA_STATUS_ERROR;
    }
    attributes->PortWWN.wwn[0] = 0x10;
    attributes->PortWWN.wwn[6] = (HBA_UINT8)handle;
    attributes->PortWWN.wwn[7] = (HBA_UINT8)index;
    attributes->PortFcId = 0x010000u | (handle << 8) | index;
    return HBA_STATUS_OK;
}

static HBA_UINT16 commandOf(const void* request, HBA_UINT32 size) {
    const HBA_UINT8* bytes = request;
    return size >= 16 ? (HBA_UINT16)((bytes[8] << 8) | bytes[9]) : 0;
}

/* An accept carrying the request's first 8 header bytes and nothing else. */
static void accept(const void* request, void* response, HBA_UINT32 responseSize) {
    HBA_UINT8* out = response;
    if (responseSize < 16) return;
    memcpy(out, request, 8);
    out[8] = 0x80;
    out[9] = 0x02;
}

static HBA_STATUS sendV1(HBA_HANDLE handle, void* request, HBA_UINT32 requestSize, void* response,
                         HBA_UINT32 responseSize) {
    (void)handle;
    if (commandOf(request, requestSize) == 0x0112) {
        memset(response, 0x5A, responseSize);
        return HBA_STATUS_ERROR;
    }
    accept(request, response, responseSize);
    return HBA_STATUS_OK;
}

static HBA_STATUS sendV2(HBA_HANDLE handle, HBA_WWN port, void* request, HBA_UINT32 requestSize, void* response,
                         HBA_UINT32* responseSize) {
    (void)handle;
    (void)port;
    const HBA_UINT16 command = commandOf(request, requestSize);
    if (command == 0x0112) {
        memset(response, 0x5A, *responseSize);
        *responseSize = 0xFFFFFFFFu;
        return HBA_STATUS_ERROR;
    }
    accept(request, response, *responseSize);
    *responseSize = command == 0x0114 ? 100000 : command == 0x0115 ? 0 : 16;
    return HBA_STATUS_OK;
}

static HBA_UINT32 libraryAttributes(HBA_LIBRARYATTRIBUTES* attributes) {
    memset(attributes, 0, sizeof *attributes);
    strcpy(attributes->VName, "rogue");
    return HBA_LIBVERSION;
}

static void fill(HBA_ENTRYPOINTS* table) {
    memset(table, 0, sizeof *table);
    table->GetVersionHandler = getVersion;
    table->LoadLibraryHandler = ok;
    table->FreeLibraryHandler = ok;
    table->GetNumberOfAdaptersHandler = numberOfAdapters;
    table->GetAdapterNameHandler = adapterName;
    table->OpenAdapterHandler = openAdapter;
    table->CloseAdapterHandler = closeAdapter;
    table->GetAdapterAttributesHandler = adapterAttributes;
    table->GetAdapterPortAttributesHandler = portAttributes;
    table->SendCTPassThruHandler = sendV1;
}

EXPORT HBA_STATUS HBA_RegisterLibrary(HBA_ENTRYPOINTS* table) {
    fill(table);
    return HBA_STATUS_OK;
}

EXPORT HBA_STATUS HBA_RegisterLibraryV2(HBA_ENTRYPOINTSV2* table) {
    memset(table, 0, sizeof *table);
    fill((HBA_ENTRYPOINTS*)table);
    table->SendCTPassThruV2Handler = sendV2;
    table->GetVendorLibraryAttributesHandler = libraryAttributes;
    return HBA_STATUS_OK;
}

#include "SwitchDiscovery.h"

#include <cstring>

#include "GsTransport.h"
#include "PortDiscovery.h"
#include "ReturnCodes.h"
#include "SwitchAttributes.h"
#include "SwitchQueries.h"
#include "TopologyWriters.h"
#include "TraceScope.h"
#include "naMessages.h"
#include "naTrace.h"

namespace {
constexpr int kIeTypeCount = 5;

struct ElementRecord {
    char type[16] = "";
    char domain[4] = "";
    char logicalName[kLogicalNameField] = "";
    char managementId[7] = "";
    char vendor[kSwitchTextField] = "";
    char model[kSwitchTextField] = "";
    char release[kSwitchTextField] = "";
    SwitchManagementAddresses addresses{};
};

// Everything the fabric tells about the element; a failed query leaves its columns empty.
void readElementRecord(const GsPort& port, const Wwn& element, const char* wwnText, ElementRecord& r) {
    int status = getLogicalName(port, element, wwnText, r.logicalName);
    NATRACE(TR_MAX, "status from call to getLogicalName is %d\n", status);
    if (status == 0) NATRACE(TR_MID, "Logical name is %s\n", r.logicalName);

    std::uint8_t domain = 0;
    status = getDomainIdentifier(port, element, wwnText, domain);
    NATRACE(TR_MAX, "status from call to getDomainIdentifier is %d\n", status);
    if (status == 0) {
        std::snprintf(r.domain, sizeof r.domain, "%d", static_cast<int>(domain));
        NATRACE(TR_MID, "domainIdString is %s\n", r.domain);
    }

    FcId managementId = {};
    status = getInbandManagementAddress(port, element, wwnText, managementId);
    NATRACE(TR_MAX, "status from call to getInbandManagementAddress is %d\n", status);
    if (status == 0) {
        std::memcpy(r.managementId, formatFcId(managementId).text, sizeof r.managementId);
        NATRACE(TR_MID, "management address string is %s\n", r.managementId);
    }

    ElementAttributeTexts texts;
    status = getIEWWNAttributes(port, element, wwnText, texts);
    NATRACE(TR_MAX, "status from call to getIEWWNAttributes is %d\n", status);
    if (status == 0) {
        hexToHexString(texts.vendor, r.vendor, sizeof r.vendor);
        hexToHexString(texts.model, r.model, sizeof r.model);
        hexToHexString(texts.release, r.release, sizeof r.release);
        NATRACE(TR_MID, "vendorIdString is %s\n", r.vendor);
        NATRACE(TR_MID, "modelString is %s\n", r.model);
        NATRACE(TR_MID, "releaseCodeString is %s\n", r.release);
    }

    status = getIEManagementAddressList(port, element, wwnText, r.addresses);
    NATRACE(TR_MAX, "status from call to getIEManagementAddressList is %d\n", status);
}
}  // namespace

int getInterconnectElementInfo(const GsPort& port, WwnTypeEntry element, RecordSink& out) {
    static const char fn[] = "getInterconnectElementInfo()";
    const WwnText wwn = formatWwn(element.wwn);
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for switch %s through handle %d with status %d\n", fn, wwn.text, port.h(), status);
    });
    NATRACE(TR_MAX, "getting interconnectelement info for switch %s type %d\n", wwn.text,
            static_cast<int>(element.type));

    if (element.type >= kIeTypeCount) {
        NATRACE(TR_MIN, "GIEL for %s returned ie type %d which we are unable to interpret\n", wwn.text,
                static_cast<int>(element.type));
        naLogMessage(AGT0433E, "GIEL");
        return scope.error(FABRIC_PROBE_INVALID_DATA_IN_RESPONSE);
    }

    ElementRecord r;
    copyCut(r.type, sizeof r.type, ieTypeTable[element.type]);
    NATRACE(TR_MID, "ie type is %s\n", r.type);
    readElementRecord(port, element.wwn, wwn.text, r);

    if (!out.put(printInterConnectElement(wwn.text, wwn.text, r.type, r.domain, r.logicalName, r.managementId,
                                          r.vendor, r.model, r.release, r.addresses.snmp, r.addresses.url,
                                          r.addresses.telnet, out.stream())))
        return scope.error(out.writeFailed());

    const int status = getInterconnectElementPorts(port, element.wwn, wwn.text, out);
    NATRACE(TR_MAX, "status from call to getInterconnectElementPorts is %d\n", status);
    return scope.exit(status);
}

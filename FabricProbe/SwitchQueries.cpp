#include "SwitchQueries.h"

#include "GsQuery.h"
#include "TraceScope.h"
#include "naTrace.h"

namespace {
void traceAddress(const char* field, const char* text) { NATRACE(TR_MID, "%s is %s\n", field, text); }

// The usual Exit line of these queries.
struct SwitchExit {
    const char* fn;
    const char* wwn;
    int h;
    void operator()(int status) const {
        NATRACE(TR_EXIT, "Exit: %s for switch %s through handle %d with status %d\n", fn, wwn, h, status);
    }
};
}  // namespace

int getDomainIdentifier(const GsPort& port, const Wwn& elementWwn, const char* elementWwnText, std::uint8_t& domain) {
    static const char fn[] = "getDomainIdentifier()";
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for switch %s handle %d with status %d\n", fn, elementWwnText, port.h(), status);
    });
    std::uint8_t response[gs::GDID.responseSize];
    const int status = askGs(port, gs::GDID, payloadOf(elementWwn), response, domain, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GDID for switch %s through handle %d is %d\n",
                elementWwnText, port.h(), s);
    });
    if (status == 0) NATRACE(TR_MID, "domain id i %d\n", static_cast<int>(domain));
    return scope.exit(status);
}

int getLogicalName(const GsPort& port, const Wwn& elementWwn, const char* elementWwnText, LogicalName& logicalName) {
    static const char fn[] = "getLogicalName()";
    TraceScope scope(fn, SwitchExit{fn, elementWwnText, port.h()});
    std::uint8_t response[gs::GIELN.responseSize];
    return scope.exit(askGs(port, gs::GIELN, payloadOf(elementWwn), response, logicalName, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GIELN fo switch %s through handle %d is %d\n",
                elementWwnText, port.h(), s);
    }));
}

int getInbandManagementAddress(const GsPort& port, const Wwn& elementWwn, const char* elementWwnText,
                               FcId& managementId) {
    static const char fn[] = "getInbandManagementAddress()";
    TraceScope scope(fn, SwitchExit{fn, elementWwnText, port.h()});
    std::uint8_t response[gs::GMID.responseSize];
    return scope.exit(askGs(port, gs::GMID, payloadOf(elementWwn), response, managementId, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GMID for switch %s through handle %d is %d\n",
                elementWwnText, port.h(), s);
    }));
}

int getIEManagementAddressList(const GsPort& port, const Wwn& elementWwn, const char* elementWwnText,
                               SwitchManagementAddresses& addresses) {
    static const char fn[] = "getIEManagementAddressList()";
    TraceScope scope(fn, SwitchExit{fn, elementWwnText, port.h()});
    std::uint8_t response[gs::GMAL.responseSize];
    CountedList list;
    const int status = askGs(port, gs::GMAL, payloadOf(elementWwn), response, list, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GMAL for switch %s through handle %d is %d\n",
                elementWwnText, port.h(), s);
    });
    if (status != 0) return scope.exit(status);
    NATRACE(TR_MID, "number addresses is %d\n", static_cast<int>(list.count.declared));
    if (list.count.declared > kMaxSwitchAddresses)
        NATRACE(TR_MID, "Setting numAddresses to %d\n", static_cast<int>(kMaxSwitchAddresses));
    decodeSwitchAddresses(list, addresses, traceAddress);
    return scope.exit(status);
}

void decodeSwitchAddresses(const CountedList& list, SwitchManagementAddresses& addresses, AddressNoted noted) {
    const std::uint32_t used = list.count.usable < kMaxSwitchAddresses ? list.count.usable : kMaxSwitchAddresses;
    for (std::uint32_t i = 0; i < used; ++i) {
        char text[kNameEntrySize];
        decodeCountedText(list.entry(i), text, sizeof text);
        char* field = nullptr;
        const char* name = "";
        switch (classifyAddress(text)) {
            case AddressKind::Snmp: field = addresses.snmp; name = "managementSnmpAddress"; break;
            case AddressKind::Url: field = addresses.url; name = "managementUrlAddress"; break;
            case AddressKind::Telnet: field = addresses.telnet; name = "managementTelnetAddress"; break;
            default: continue;
        }
        copyCut(field, kSwitchTextField, text);
        if (noted) noted(name, field);
    }
}

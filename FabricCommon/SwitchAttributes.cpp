#include "SwitchAttributes.h"

#include "GsQuery.h"
#include "TraceScope.h"
#include "naTrace.h"

int getIEWWNAttributes(const GsPort& port, const Wwn& elementWwn, const char* elementWwnText,
                       ElementAttributeTexts& attributes) {
    static const char fn[] = "getIEWWNAttributes()";
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for switch %s through handle %d with status %d\n", fn, elementWwnText, port.h(),
                status);
    });
    std::uint8_t response[gs::GIEIL.responseSize];
    return scope.exit(askGs(port, gs::GIEIL, payloadOf(elementWwn), response, attributes, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GIEIL for switch %s through handle %d is %d\n",
                elementWwnText, port.h(), s);
    }));
}

#include "SwitchAttributes.h"

#include <cstring>

#include "GsRequest.h"
#include "naTrace.h"

int getIEWWNAttributes(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                       const char* elementWwnText,
                       std::uint8_t (&informationList)[kInformationListSize]) {
    static const char fn[] = "getIEWWNAttributes()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    GsRequest<8> request(GIEIL_PREAMBLE, elementWwn.bytes);
    std::uint8_t response[16 + kInformationListSize];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GIEIL for switch %s through handle %d is %d\n",
            elementWwnText, static_cast<int>(handle), status);
    if (status == 0) std::memcpy(informationList, response + 16, kInformationListSize);
    NATRACE(TR_EXIT, "Exit: %s for switch %s through handle %d with status %d\n", fn, elementWwnText,
            static_cast<int>(handle), status);
    return status;
}

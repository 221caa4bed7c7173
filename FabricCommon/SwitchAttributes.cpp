#include "SwitchAttributes.h"

#include <cstring>

#include "GsQuery.h"
#include "naTrace.h"

int getIEWWNAttributes(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                       const char* elementWwnText,
                       std::uint8_t (&informationList)[kInformationListSize]) {
    static constexpr QueryTexts texts{
        "getIEWWNAttributes()",
        "status from IssueGS3Command for GIEIL for switch %s through handle %d is %d\n",
        "Exit: %s for switch %s through handle %d with status %d\n"};
    return gsQuery<8, 16 + kInformationListSize>(
        texts, handle, hbaPortWwn, GIEIL_PREAMBLE, elementWwn.bytes, elementWwnText,
        [&](ByteSpan response) { std::memcpy(informationList, response.data + 16, kInformationListSize); });
}

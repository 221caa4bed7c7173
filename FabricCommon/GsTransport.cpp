// Placeholder until the transport lands.
#include "GsTransport.h"

int IssueGS3Command(HbaHandle, const Wwn&, std::uint8_t*, std::uint32_t, std::uint8_t*, std::uint32_t,
                    std::uint8_t&, std::uint8_t&) { return -1001; }
int setSendCTPassThruVersion(HbaHandle, const Wwn&) { return 1; }
void hexToHexString(const char*, char* output, std::size_t outputSize) {
    if (outputSize > 0) output[0] = '\0';
}

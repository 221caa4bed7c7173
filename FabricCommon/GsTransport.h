// The one request/response path for every Generic Services command.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CtRoute.h"
#include "GsTypes.h"

// Sends request (which starts with a command preamble; bytes 10-11 are written
// here) through the port's route (-1001 when it has none) and fills response. 0 accepted, -1000
// rejected (reason/explanation set), -1001 not sent (also for buffers shorter
// than a 16-byte CT_IU header). Never returns -1002. used: the bytes of
// response that hold the answer, as the route reports them (the whole buffer
// when it reports nothing); 0 when nothing was sent.
int IssueGS3Command(const GsPort& port, std::uint8_t* request, std::uint32_t requestSize, std::uint8_t* response,
                    std::uint32_t responseSize, std::uint8_t& reason, std::uint8_t& explanation,
                    std::uint32_t& used);
// The same through the HBA library's call of the version in force (-1001 before
// the first version probe).
int IssueGS3Command(HbaHandle handle, const Wwn& hbaPortWwn, std::uint8_t* request,
                    std::uint32_t requestSize, std::uint8_t* response, std::uint32_t responseSize,
                    std::uint8_t& reason, std::uint8_t& explanation);

// Chooses the pass-through call version for the adapter; returns 1 or 2.
// v2Refused (when given): the V2 call answered NOT_SUPPORTED.
int setSendCTPassThruVersion(HbaHandle handle, const Wwn& hbaPortWwn, bool* v2Refused = nullptr);
// The version in force: 0 not chosen, 1 HBA_SendCTPassThru, 2 HBA_SendCTPassThruV2.
int getSendCTPassThruVersion();
// Back to "not chosen", so no request goes out until the next choice.
void resetSendCTPassThruVersion();

// The version probe's request: GIEL with the vendor-unique byte 1 (its
// response buffer is GIEL's).
void buildVersionProbe(std::uint8_t (&request)[16]);

// Makes a fabric text safe for the output file: printable characters other than
// % " & < > are kept, every other byte becomes %XX. Output never exceeds
// outputSize - 1 characters and is always terminated (outputSize > 0).
void hexToHexString(const char* input, char* output, std::size_t outputSize);

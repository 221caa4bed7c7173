// The one shape of a Generic Services query: the command's preamble and key
// in one request, IssueGS3Command, the status line, and the answer decoded
// only when it was accepted.
#pragma once

// The formats below are the callers' constant texts, each with the arguments it is given here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"

#include <cstddef>
#include <cstdint>

#include "ByteSpan.h"
#include "GsRequest.h"
#include "GsTransport.h"
#include "GsTypes.h"
#include "TraceScope.h"

// statusLine (none when null) is traced at TR_MAX with the key text (left out
// when null), the handle and the status. The callers act on the status only; a reject's codes are traced
// by the transport.
template <std::size_t KeySize, std::size_t ResponseSize>
int sendQuery(HbaHandle handle, const Wwn& hbaPortWwn, const GsPreamble& preamble, const std::uint8_t* key,
              std::uint8_t (&response)[ResponseSize], const char* statusLine, const char* keyText) {
    GsRequest<KeySize> request(preamble, key);
    std::uint8_t reason = 0;
    std::uint8_t explanation = 0;
    const int status = IssueGS3Command(handle, hbaPortWwn, request.bytes, request.size, response,
                                       static_cast<std::uint32_t>(ResponseSize), reason, explanation);
    const int h = static_cast<int>(handle);
    if (!statusLine) return status;
    if (keyText)
        NATRACE(TR_MAX, statusLine, keyText, h, status);
    else
        NATRACE(TR_MAX, statusLine, h, status);
    return status;
}

// The texts of one named query function.
struct QueryTexts {
    const char* fn;          // "getPortState()"
    const char* statusLine;  // as for sendQuery
    const char* exitLine;    // a KeyedExit format
};

// The whole query function: Enter, sendQuery, onAccept(response) on status 0,
// the Exit line given by exitLine(status); returns the status.
template <std::size_t KeySize, std::size_t ResponseSize, class OnAccept, class ExitLine>
int gsQuery(const QueryTexts& texts, HbaHandle handle, const Wwn& hbaPortWwn, const GsPreamble& preamble,
            const std::uint8_t* key, const char* keyText, OnAccept onAccept, ExitLine exitLine) {
    TraceScope<ExitLine> scope(texts.fn, exitLine);
    std::uint8_t response[ResponseSize];
    const int status = sendQuery<KeySize>(handle, hbaPortWwn, preamble, key, response, texts.statusLine, keyText);
    if (status == 0) onAccept(ByteSpan{response, ResponseSize});
    return scope.exit(status);
}

// The same with the usual Exit line: texts.exitLine with the key text, handle and status.
template <std::size_t KeySize, std::size_t ResponseSize, class OnAccept>
int gsQuery(const QueryTexts& texts, HbaHandle handle, const Wwn& hbaPortWwn, const GsPreamble& preamble,
            const std::uint8_t* key, const char* keyText, OnAccept onAccept) {
    return gsQuery<KeySize, ResponseSize>(texts, handle, hbaPortWwn, preamble, key, keyText, onAccept,
                                          KeyedExit{texts.exitLine, texts.fn, keyText, static_cast<int>(handle)});
}

#pragma GCC diagnostic pop

// The one shape of a Generic Services query: the command's preamble and payload
// in one request, sent through the port's route by IssueGS3Command into the
// caller's response buffer (the command's size from the table), the status
// traced by the caller's own line, and on acceptance the bytes that arrived
// decoded by the command's decoder.
#pragma once

#include <cstdint>

#include "ByteSpan.h"
#include "CtRoute.h"
#include "GsCommands.h"
#include "ReturnCodes.h"
#include "Retry.h"
#include "naTrace.h"

// What one request brought back.
struct GsReply {
    int status = 0;  // IssueGS3Command's
    ByteSpan answer;  // the bytes that arrived; empty unless accepted
};

inline ByteSpan payloadOf(const Wwn& wwn) { return ByteSpan{wwn.bytes, sizeof wwn.bytes}; }

// Builds the request (payload cut to the command's payload size) and sends it;
// response holds command.responseSize bytes.
GsReply sendGs(const GsPort& port, const GsCommandBase& command, ByteSpan payload, std::uint8_t* response);

// The accepted answer decoded into out: 0; FAILED_GS_RESPONSE (traced) when the
// answer is too short for its field, out then untouched as after a failed query.
void traceShortAnswer(const GsCommandBase& command, const GsReply& reply);
template <class Answer>
int decodeGs(const GsCommand<Answer>& command, const GsReply& reply, Answer& out) {
    if (reply.status != 0) return reply.status;
    if (command.decode(reply.answer, out)) return 0;
    traceShortAnswer(command, reply);
    return FAILED_GS_RESPONSE;
}

// sendGs, statusLine(status), decodeGs: the query's status.
template <class Answer, class StatusLine>
int askGs(const GsPort& port, const GsCommand<Answer>& command, ByteSpan payload, std::uint8_t* response,
          Answer& out, StatusLine statusLine) {
    const GsReply reply = sendGs(port, command, payload, response);
    statusLine(reply.status);
    return decodeGs(command, reply, out);
}

// The retries of GIEL, GFN (15 s apart) and the zone server's queries (10 s):
// attempt() until it answers true, at most 3 times, each retry announced. No retry
// once the port's route knows the command's server cannot be reached.
template <class Attempt>
void retryGs(const GsPort& port, const GsCommandBase& command, unsigned pauseSeconds, Attempt attempt) {
    const auto pointless = [&] {
        return port.route != nullptr && port.route->unreachable(command.preamble[kCtGsTypeOffset]);
    };
    retryAttempts(3, pauseSeconds, [&] { return attempt() || pointless(); }, [&] {
        NATRACE(TR_MIN, "reattempting IssueGS3Command for %s using handle %d\n", command.name, port.h());
    });
}

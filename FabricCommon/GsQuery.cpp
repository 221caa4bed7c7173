#include "GsQuery.h"

#include <cstring>

#include "GsTransport.h"

GsReply sendGs(const GsPort& port, const GsCommandBase& command, ByteSpan payload, std::uint8_t* response) {
    std::uint8_t request[gs::kMaxRequestSize] = {};
    std::memcpy(request, command.preamble, sizeof command.preamble);
    const std::size_t payloadSize = payload.size < command.payloadSize ? payload.size : command.payloadSize;
    if (payloadSize > 0) std::memcpy(request + sizeof command.preamble, payload.data, payloadSize);
    std::uint8_t reason = 0;
    std::uint8_t explanation = 0;
    std::uint32_t used = 0;
    GsReply reply;
    reply.status = IssueGS3Command(port, request, static_cast<std::uint32_t>(sizeof command.preamble + payloadSize),
                                   response, command.responseSize, reason, explanation, used);
    if (reply.status == 0) reply.answer = ByteSpan{response, used};
    return reply;
}

void traceShortAnswer(const GsCommandBase& command, const GsReply& reply) {
    NATRACE(TR_MIN, "%s answer of %u bytes lacks its field; taken as a failed query\n", command.name,
            static_cast<unsigned>(reply.answer.size));
}

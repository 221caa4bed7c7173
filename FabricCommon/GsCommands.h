// Every Generic Services command the probe sends, in one table: its preamble,
// the payload it carries, the response buffer it is given (and so the maximum
// size in words that the request asks for), and the pure decoder of its answer.
#pragma once

#include <cstdint>

#include "ByteSpan.h"
#include "CtIu.h"
#include "GsPreambles.h"
#include "GsTypes.h"
#include "TopologyDecode.h"
#include "ZoneDecode.h"

struct GsCommandBase {
    const char* name;            // "GPL", as trace lines and messages name it
    const GsPreamble& preamble;
    std::uint32_t payloadSize;   // bytes after the preamble (GZS: at most)
    std::uint32_t responseSize;  // the response buffer
    std::uint16_t maxWords;      // what the request asks for: (responseSize - 16) / 4
};

// A row: the command and the decoder of the bytes that arrived. A decoder that
// answers false found its field missing: the query then counts as failed.
template <class Answer>
struct GsCommand : GsCommandBase {
    bool (*decode)(ByteSpan answer, Answer& out);
};

namespace gs {
// Fabric Configuration Server
inline constexpr GsCommand<CountedList> GIEL{{"GIEL", GIEL_PREAMBLE, 0, 3996, 0x03E3}, decodeWwnTypeList};
inline constexpr GsCommand<std::uint8_t> GDID{{"GDID", GDID_PREAMBLE, 8, 20, 0x0001}, decodeDomainId};
inline constexpr GsCommand<FcId> GMID{{"GMID", GMID_PREAMBLE, 8, 20, 0x0001}, decodeIdAt17};
inline constexpr GsCommand<Wwn> GFN{{"GFN", GFN_PREAMBLE, 8, 24, 0x0002}, decodeWwnAt16};
inline constexpr GsCommand<LogicalName> GIELN{{"GIELN", GIELN_PREAMBLE, 8, 272, 0x0040}, decodeLogicalName};
inline constexpr GsCommand<CountedList> GMAL{{"GMAL", GMAL_PREAMBLE, 8, 8212, 0x0801}, decodeNameEntryList};
inline constexpr GsCommand<ElementAttributeTexts> GIEIL{{"GIEIL", GIEIL_PREAMBLE, 8, 272, 0x0040},
                                                        decodeElementAttributes};
inline constexpr GsCommand<CountedList> GPL{{"GPL", GPL_PREAMBLE, 8, 8212, 0x0801}, decodeWwnTypeList};
inline constexpr GsCommand<std::uint32_t> GPPN{{"GPPN", GPPN_PREAMBLE, 8, 20, 0x0001}, decodeWordAt16};
inline constexpr GsCommand<CountedList> GAPNL{{"GAPNL", GAPNL_PREAMBLE, 8, 1044, 0x0101}, decodeWwnTypeList};
inline constexpr GsCommand<std::uint8_t> GPS{{"GPS", GPS_PREAMBLE, 8, 24, 0x0002}, decodePortState};
inline constexpr GsCommand<CountedList> GPLNL{{"GPLNL", GPLNL_PREAMBLE, 256, 8212, 0x0801}, decodeNodeList};
inline constexpr GsCommand<std::uint32_t> GPLT{{"GPLT", GPLT_PREAMBLE, 256, 20, 0x0001}, decodeWordAt16};
inline constexpr GsCommand<CountedList> GPLML{{"GPLML", GPLML_PREAMBLE, 256, 8212, 0x0801}, decodeNameEntryList};
inline constexpr GsCommand<CountedList> GPNL{{"GPNL", GPNL_PREAMBLE, 0, 8212, 0x0801}, decodeNameEntryList};
// Name Server
inline constexpr GsCommand<FcId> GID_PN{{"GID_PN", GID_PN_PREAMBLE, 8, 20, 0x0001}, decodeIdAt17};
inline constexpr GsCommand<Wwn> GNN_ID{{"GNN_ID", GNN_ID_PREAMBLE, 4, 24, 0x0002}, decodeWwnAt16};
// Fabric Zone Server
inline constexpr GsCommand<std::uint8_t> GZC{{"GZC", GZC_PREAMBLE, 0, 224, 0x0034}, decodeByteAt16};
inline constexpr GsCommand<ZoneSetNames> GZSN{{"GZSN", GZSN_PREAMBLE, 0, 32000, 0x1F3C}, decodeZoneSetNames};
inline constexpr GsCommand<ByteSpan> GAZS{{"GAZS", GAZS_PREAMBLE, 0, 256000, 0xF9FC}, keepAnswer};
// Payload: the zone set name object, 4 + at most 255 name bytes + 1 padding.
inline constexpr GsCommand<ByteSpan> GZS{{"GZS", GZS_PREAMBLE, 4 + 255 + 1, 256000, 0xF9FC}, keepAnswer};

// The largest request of the table: a preamble and the largest payload.
inline constexpr std::uint32_t kMaxRequestSize = 16 + 4 + 255 + 1;

// The maximum sizes above are the ones each response buffer makes the request ask for.
#define GS_CHECK_WORDS(c) \
    static_assert(c.maxWords == ctMaxSizeWords(c.responseSize) && 16 + c.payloadSize <= kMaxRequestSize, #c)
GS_CHECK_WORDS(GIEL); GS_CHECK_WORDS(GDID); GS_CHECK_WORDS(GMID); GS_CHECK_WORDS(GFN); GS_CHECK_WORDS(GIELN);
GS_CHECK_WORDS(GMAL); GS_CHECK_WORDS(GIEIL); GS_CHECK_WORDS(GPL); GS_CHECK_WORDS(GPPN); GS_CHECK_WORDS(GAPNL);
GS_CHECK_WORDS(GPS); GS_CHECK_WORDS(GPLNL); GS_CHECK_WORDS(GPLT); GS_CHECK_WORDS(GPLML); GS_CHECK_WORDS(GPNL);
GS_CHECK_WORDS(GID_PN); GS_CHECK_WORDS(GNN_ID); GS_CHECK_WORDS(GZC); GS_CHECK_WORDS(GZSN); GS_CHECK_WORDS(GAZS);
GS_CHECK_WORDS(GZS);
#undef GS_CHECK_WORDS
}  // namespace gs

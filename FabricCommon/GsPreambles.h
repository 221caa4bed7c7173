// CT_IU request templates, one per command: revision, GS type and subtype, and
// the command code in bytes 8-9.
#pragma once

#include <cstdint>

using GsPreamble = std::uint8_t[16];

#define FP_PREAMBLE(type, subtype, hi, lo) \
    { 0x01, 0x00, 0x00, 0x00, type, subtype, 0x00, 0x00, hi, lo, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 }

// Fabric Configuration Server (0xFA / 0x01)
inline constexpr GsPreamble GIEL_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x01);
inline constexpr GsPreamble GDID_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x12);
inline constexpr GsPreamble GMID_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x13);
inline constexpr GsPreamble GFN_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x14);
inline constexpr GsPreamble GIELN_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x15);
inline constexpr GsPreamble GMAL_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x16);
inline constexpr GsPreamble GIEIL_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x17);
inline constexpr GsPreamble GPL_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x18);
inline constexpr GsPreamble GPPN_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x22);
inline constexpr GsPreamble GAPNL_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x24);
inline constexpr GsPreamble GPS_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x26);
inline constexpr GsPreamble GPLNL_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x91);
inline constexpr GsPreamble GPLT_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x92);
inline constexpr GsPreamble GPLML_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0x93);
inline constexpr GsPreamble GPNL_PREAMBLE = FP_PREAMBLE(0xFA, 0x01, 0x01, 0xA2);
// Name Server (0xFC / 0x02)
inline constexpr GsPreamble GID_PN_PREAMBLE = FP_PREAMBLE(0xFC, 0x02, 0x01, 0x21);
inline constexpr GsPreamble GNN_ID_PREAMBLE = FP_PREAMBLE(0xFC, 0x02, 0x01, 0x13);
// Fabric Zone Server (0xFA / 0x03)
inline constexpr GsPreamble GZC_PREAMBLE = FP_PREAMBLE(0xFA, 0x03, 0x01, 0x00);
inline constexpr GsPreamble GZSN_PREAMBLE = FP_PREAMBLE(0xFA, 0x03, 0x01, 0x12);
inline constexpr GsPreamble GAZS_PREAMBLE = FP_PREAMBLE(0xFA, 0x03, 0x01, 0x15);
inline constexpr GsPreamble GZS_PREAMBLE = FP_PREAMBLE(0xFA, 0x03, 0x01, 0x16);

#undef FP_PREAMBLE

inline constexpr std::uint8_t Accept_CT[2] = {0x80, 0x02};
inline constexpr std::uint8_t Logical_Busy_Error = 0x05;

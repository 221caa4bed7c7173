// Catalog messages this program issues: identifier, catalog number and the
// inserts each caller passes (the catalog texts in nls/ must match these).
#pragma once

struct CatalogMessage {
    unsigned number;
    const char* id;
    // One letter per insert, in order: 's' a C string, 'd' an int.
    const char* inserts = nullptr;
};

//                                      number  id         inserts
inline constexpr CatalogMessage AGT0412E{1772, "AGT0412E", "s"};   // rejected argument
inline constexpr CatalogMessage AGT0415I{1775, "AGT0415I", "d"};   // load status
inline constexpr CatalogMessage AGT0416I{1776, "AGT0416I", "d"};   // adapter count
inline constexpr CatalogMessage AGT0417I{1777, "AGT0417I", "d"};   // adapter index
inline constexpr CatalogMessage AGT0420I{1780, "AGT0420I", ""};    // none
inline constexpr CatalogMessage AGT0421E{1781, "AGT0421E", "ss"};  // "probe", path
inline constexpr CatalogMessage AGT0422E{1782, "AGT0422E", "ss"};  // "probe", path
inline constexpr CatalogMessage AGT0426I{1801, "AGT0426I", "s"};   // one output line
inline constexpr CatalogMessage AGT0429I{1804, "AGT0429I", "ss"};  // "FabricProbe", command line
inline constexpr CatalogMessage AGT0430I{1805, "AGT0430I", "sd"};  // "FabricProbe", rc
inline constexpr CatalogMessage AGT0431W{1806, "AGT0431W", "sd"};  // HBA API call, status
inline constexpr CatalogMessage AGT0432E{1807, "AGT0432E", "s"};   // command name
inline constexpr CatalogMessage AGT0433E{1808, "AGT0433E", "s"};   // command name
inline constexpr CatalogMessage AGT0445I{1821, "AGT0445I", ""};    // none
inline constexpr CatalogMessage AGT0446W{1822, "AGT0446W", "ssss"};  // server, its address, fc_host, driver
inline constexpr CatalogMessage STA0249I{550, "STA0249I", ""};     // none
inline constexpr CatalogMessage STA0250I{551, "STA0250I", ""};     // none
inline constexpr CatalogMessage STA0251E{552, "STA0251E", ""};     // none

inline constexpr CatalogMessage naAllMessages[] = {
    AGT0412E, AGT0415I, AGT0416I, AGT0417I, AGT0420I, AGT0421E, AGT0422E, AGT0426I, AGT0429I,
    AGT0430I, AGT0431W, AGT0432E, AGT0433E, AGT0445I, STA0249I, STA0250I, STA0251E, AGT0446W,
};

// Logs through naLog when it exists; a no-op before the activity log is set up.
// The inserts are taken as the message's insert letters say, so a catalog text
// that asks for something else is reported as damaged instead of misread.
void naLogMessage(CatalogMessage message, ...);

// Hex dump lines for the trace: each byte as "%02X ", 128 bytes to a line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ByteSpan.h"
#include "HexText.h"

inline constexpr std::size_t kHexDumpBytesPerLine = 128;

// Calls emit(const char* line) once per line; no allocation, so it can run on
// any buffer size the transport sees.
template <class EmitLine>
void hexDumpLines(ByteSpan bytes, EmitLine emit) {
    char line[kHexDumpBytesPerLine * 3 + 1];
    std::size_t length = 0;
    for (std::size_t i = 0; i < bytes.size; ++i) {
        putHexByte(line + length, bytes.data[i]);
        line[length + 2] = ' ';
        length += 3;
        if (length == kHexDumpBytesPerLine * 3) {
            line[length] = '\0';
            emit(static_cast<const char*>(line));
            length = 0;
        }
    }
    if (length > 0) {
        line[length] = '\0';
        emit(static_cast<const char*>(line));
    }
}

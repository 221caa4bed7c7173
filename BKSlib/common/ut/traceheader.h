// The fixed header of a ring trace file: reading it back and writing it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

inline constexpr std::size_t kTraceHeaderLineMax = 256;
inline constexpr std::size_t kTraceNextFieldOffset = 12;
inline constexpr std::size_t kTraceSizeFieldOffset = 24;

struct TraceHeader {
    std::uint64_t nextWrite;     // where the next line goes
    std::uint64_t maxMegabytes;  // the limit the file was written with
    std::size_t firstLineLength; // up to and including its line feed
};

// Parses the start of a file; no value when it is not a ring header or its
// numbers cannot be trusted for a file of fileSize bytes. Reads only data[0, size).
std::optional<TraceHeader> parseTraceHeader(const char* data, std::size_t size,
                                            std::uint64_t fileSize);

// "ORX Trace   " + next write field ("123456789012" when none yet) + the size
// field and banner line, followed by an empty line.
std::string formatTraceHeader(std::optional<std::uint64_t> nextWrite, std::uint64_t maxMegabytes,
                              const char* buildDate);
// The part from offset 24: size field and banner line (with its line feed).
std::string formatTraceSizeLine(std::uint64_t maxMegabytes, const char* buildDate);
// The 12-character next-write field.
std::string formatTraceNextField(std::uint64_t nextWrite);

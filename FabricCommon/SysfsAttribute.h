// Attributes of the kernel's FC transport as sysfs shows them: the one reader, and
// pure decoders of the bytes it read (each a function of its input alone).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ByteSpan.h"
#include "GsTypes.h"

// The bytes of one attribute file: at most kMax of them (every attribute read here is
// shorter; a longer file is garbage and fails).
struct SysfsText {
    static constexpr std::size_t kMax = 64;
    char bytes[kMax + 1];
    std::size_t length = 0;
    ByteSpan span() const { return ByteSpan{reinterpret_cast<const std::uint8_t*>(bytes), length}; }
};

// Reads an attribute file. False when it does not open, is no regular file (a FIFO or
// device planted in a tree is refused without waiting for a writer), cannot be read or
// is longer than kMax bytes.
bool readSysfsAttribute(const std::string& path, SysfsText& text);

// A WWN attribute as the kernel writes it ("0x" and 1 to 16 hexadecimal digits, an
// optional line feed, e.g. "0x10000000c9a00001\n"). False for anything else.
bool decodeWwnAttribute(ByteSpan text, Wwn& wwn);

// A 24-bit port identifier as the kernel writes port_id ("0x" and 1 to 6 hexadecimal
// digits, an optional line feed, e.g. "0xfffffc\n"). False for anything else.
bool decodePortIdAttribute(ByteSpan text, std::uint32_t& id);

// A one-line text attribute (port_state "Online\n", proc_name "lpfc\n"): the text
// without its line feed. False when it is empty or holds a byte that is not printable
// ASCII, so that what is kept can go into a log line as it is.
bool decodeTextAttribute(ByteSpan text, std::string& value);

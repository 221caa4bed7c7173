// Which fc_host of the kernel's FC transport serves an adapter port.
#pragma once

#include <string>

#include "ByteSpan.h"
#include "GsTypes.h"

// A WWN attribute as the kernel writes it ("0x" and 1 to 16 hexadecimal digits, an
// optional line feed, e.g. "0x10000000c9a00001\n"). False for anything else.
bool decodeWwnAttribute(ByteSpan text, Wwn& wwn);

// Looks through classDir (normally /sys/class/fc_host) for the host<N> whose
// port_name equals portWwn. True with hostNumber = N when one does; entries whose
// port_name is missing or garbage are traced and passed over. A host without
// the class directory has no kernel FC transport: false, quietly.
bool findFcHost(const std::string& classDir, const Wwn& portWwn, unsigned& hostNumber);

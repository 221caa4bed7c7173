// Zone server queries and the zone walk of a "ZoningOnly" probe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "GsTypes.h"

// 0 written, -1002 a response does not hold what its counts say, or a writer's
// negative result.
int getCurrentZoningInfo(HbaHandle handle, const Wwn& hbaPortWwn, const char* fabricWwn,
                         FILE* stream, int invocationType);

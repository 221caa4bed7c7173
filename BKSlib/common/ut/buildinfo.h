// Build stamp shown in the trace file header.
#pragma once

extern const char buildDate[];

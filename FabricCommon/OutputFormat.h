// Rules the whole output file shares: quoting, record blocks and the [Header] frame.
#pragma once

#include <cstdio>

// One quoted field: '"', the value with each '"' written as '\"' (and a line
// feed or carriage return as %0A / %0D, so a record never splits), '"'.
// Returns 1, or the result (0 or negative) of the output call that failed.
int printfQuotesEscape(const char* value, FILE* stream);

// One record block: "[section]\n", the quoted fields joined by commas, "\n",
// "[/section]\n". On a failed output call traces
// "function %s exiting error status %d\n" with writerName and returns that result.
int printRecordBlock(const char* section, const char* const* fields, int fieldCount,
                     FILE* stream, const char* writerName);

// Writes each line followed by a line feed; 1 or the failed call's result.
int printLines(const char* const* lines, int lineCount, FILE* stream, const char* writerName);
// The same between the writer's Enter line and, on success, its Exit line.
int printTracedLines(const char* const* lines, int lineCount, FILE* stream, const char* writerName);

int printHeaderStart(FILE* stream);
int printHeaderEnd(FILE* stream);

#include "OutputFormat.h"

#include <cstring>

#include "naTrace.h"

namespace {
int failed(const char* writerName, int result) {
    NATRACE(TR_MIN, "function %s exiting error status %d\n", writerName, result);
    return result;
}

// "[name]\n" or "[/name]\n"; EOF when the stream fails.
int printSectionLine(const char* opening, const char* section, FILE* stream) {
    return fputs(opening, stream) == EOF || fputs(section, stream) == EOF || fputs("]\n", stream) == EOF ? EOF : 1;
}
}  // namespace

int printfQuotesEscape(const char* value, FILE* stream) {
    static const char fn[] = "printfQuotesEscape()";
    if (fputc('"', stream) == EOF) return failed(fn, EOF);
    // Runs of plain characters go out in one call each: a value rarely holds any
    // character that needs escaping.
    for (const char* p = value ? value : ""; *p;) {
        const std::size_t plain = std::strcspn(p, "\"\n\r");
        if (plain > 0 && std::fwrite(p, 1, plain, stream) != plain) return failed(fn, EOF);
        p += plain;
        if (*p == '\0') break;
        // A line break inside a value would split its record for every reader.
        const char* escaped = *p == '"' ? "\\\"" : *p == '\n' ? "%0A" : "%0D";
        if (fputs(escaped, stream) == EOF) return failed(fn, EOF);
        ++p;
    }
    if (fputc('"', stream) == EOF) return failed(fn, EOF);
    return 1;
}

int printRecordBlock(const char* section, const char* const* fields, int fieldCount,
                     FILE* stream, const char* writerName) {
    int result = printSectionLine("[", section, stream);
    if (result != 1) return failed(writerName, result);
    for (int i = 0; i < fieldCount; ++i) {
        if (i > 0 && fputc(',', stream) == EOF) return failed(writerName, EOF);
        result = printfQuotesEscape(fields[i], stream);
        if (result != 1) return failed(writerName, result);
    }
    if (fputc('\n', stream) == EOF) return failed(writerName, EOF);
    result = printSectionLine("[/", section, stream);
    if (result != 1) return failed(writerName, result);
    return 1;
}

int printLines(const char* const* lines, int lineCount, FILE* stream, const char* writerName) {
    for (int i = 0; i < lineCount; ++i) {
        if (fputs(lines[i], stream) == EOF || fputc('\n', stream) == EOF)
            return failed(writerName, EOF);
    }
    return 1;
}

int printHeaderStart(FILE* stream) {
    static const char fn[] = "printHeaderStart()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    static const char* const lines[] = {"[Header]"};
    int result = printLines(lines, 1, stream, fn);
    if (result == 1) NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return result;
}

int printHeaderEnd(FILE* stream) {
    static const char fn[] = "printHeaderEnd()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    static const char* const lines[] = {"[/Header]"};
    int result = printLines(lines, 1, stream, fn);
    if (result == 1) NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return result;
}

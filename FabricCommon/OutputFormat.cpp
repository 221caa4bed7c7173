#include "OutputFormat.h"

#include "naTrace.h"

namespace {
int failed(const char* writerName, int result) {
    NATRACE(TR_MIN, "function %s exiting error status %d\n", writerName, result);
    return result;
}

// The value of a failed stdio call as the writers hand it back: never 1.
int putFailed(int result) { return result < 0 ? result : EOF; }
}  // namespace

int printfQuotesEscape(const char* value, FILE* stream) {
    static const char fn[] = "printfQuotesEscape()";
    if (fputc('"', stream) == EOF) return failed(fn, EOF);
    for (const char* p = value ? value : ""; *p; ++p) {
        int result;
        switch (*p) {
            case '"': result = fputs("\\\"", stream); break;
            // A line break inside a value would split its record for every reader.
            case '\n': result = fputs("%0A", stream); break;
            case '\r': result = fputs("%0D", stream); break;
            default: result = fputc(static_cast<unsigned char>(*p), stream); break;
        }
        if (result == EOF) return failed(fn, EOF);
    }
    if (fputc('"', stream) == EOF) return failed(fn, EOF);
    return 1;
}

int printRecordBlock(const char* section, const char* const* fields, int fieldCount,
                     FILE* stream, const char* writerName) {
    int result = fprintf(stream, "[%s]\n", section);
    if (result < 0) return failed(writerName, putFailed(result));
    for (int i = 0; i < fieldCount; ++i) {
        if (i > 0 && fputc(',', stream) == EOF) return failed(writerName, EOF);
        result = printfQuotesEscape(fields[i], stream);
        if (result != 1) return failed(writerName, result);
    }
    if (fputc('\n', stream) == EOF) return failed(writerName, EOF);
    result = fprintf(stream, "[/%s]\n", section);
    if (result < 0) return failed(writerName, putFailed(result));
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

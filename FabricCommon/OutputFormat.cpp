#include "OutputFormat.h"

#include "naTrace.h"

namespace {
// Output calls report failure as EOF; keep the failed call's result.
inline int putOk(int result) { return result == EOF ? EOF : 1; }

int failed(const char* writerName, int result) {
    NATRACE(TR_MIN, "function %s exiting error status %d\n", writerName, result);
    return result;
}
}  // namespace

int printfQuotesEscape(const char* value, FILE* stream) {
    static const char fn[] = "printfQuotesEscape()";
    if (fputc('"', stream) == EOF) return failed(fn, EOF);
    for (const char* p = value ? value : ""; *p; ++p) {
        int result;
        switch (*p) {
            case '"': result = fputs("\\\"", stream); break;
            case '\n': result = fputs("%0A", stream); break;
            case '\r': result = fputs("%0D", stream); break;
            default: result = fputc(*p, stream); break;
        }
        if (putOk(result) != 1) return failed(fn, EOF);
    }
    if (fputc('"', stream) == EOF) return failed(fn, EOF);
    return 1;
}

int printRecordBlock(const char* section, const char* const* fields, int fieldCount,
                     FILE* stream, const char* writerName) {
    if (fprintf(stream, "[%s]\n", section) < 0) return failed(writerName, EOF);
    for (int i = 0; i < fieldCount; ++i) {
        if (i > 0 && fputc(',', stream) == EOF) return failed(writerName, EOF);
        int result = printfQuotesEscape(fields[i], stream);
        if (result != 1) return failed(writerName, result);
    }
    if (fputc('\n', stream) == EOF) return failed(writerName, EOF);
    if (fprintf(stream, "[/%s]\n", section) < 0) return failed(writerName, EOF);
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
    static const char* const lines[] = {"[Header]"};
    return printLines(lines, 1, stream, "printHeaderStart()");
}

int printHeaderEnd(FILE* stream) {
    static const char* const lines[] = {"[/Header]"};
    return printLines(lines, 1, stream, "printHeaderEnd()");
}

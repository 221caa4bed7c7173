#include "OutputFormat.h"

#include <cstring>
#include <string>

#include "TraceScope.h"
#include "naTrace.h"

namespace {

// The text of a record block or field, put together before it is written with
// one call: a small block stays on the stack.
class BlockText {
public:
    void append(const char* text, std::size_t length) {
        if (!onHeap_ && used_ + length < sizeof stack_) {
            std::memcpy(stack_ + used_, text, length);
            used_ += length;
            return;
        }
        if (!onHeap_) {
            heap_.assign(stack_, used_);
            onHeap_ = true;
        }
        heap_.append(text, length);
    }
    void append(const char* text) { append(text, std::strlen(text)); }
    void append(char c) { append(&c, 1); }

    // '"', the value with each '"' written as '\"' and a line feed or carriage
    // return as %0A / %0D (a line break would split the record for every
    // reader), '"'. Runs of plain characters are copied at once.
    void appendQuoted(const char* value) {
        append('"');
        for (const char* p = value ? value : ""; *p;) {
            const std::size_t plain = std::strcspn(p, "\"\n\r");
            append(p, plain);
            p += plain;
            if (*p == '\0') break;
            append(*p == '"' ? "\\\"" : *p == '\n' ? "%0A" : "%0D");
            ++p;
        }
        append('"');
    }

    // 1, or EOF when the stream took less than the whole text. fputs, not
    // fwrite: glibc's fwrite reports a failed write to an unbuffered stream as
    // complete. The texts are C strings, so the block holds no NUL.
    int writeTo(FILE* stream) {
        stack_[used_] = '\0';
        return std::fputs(onHeap_ ? heap_.c_str() : stack_, stream) == EOF ? EOF : 1;
    }

private:
    char stack_[2048];  // one byte stays free for the terminating NUL
    std::size_t used_ = 0;
    bool onHeap_ = false;
    std::string heap_;
};
}  // namespace

int printfQuotesEscape(const char* value, FILE* stream) {
    static const char fn[] = "printfQuotesEscape()";
    BlockText field;
    field.appendQuoted(value);
    const int result = field.writeTo(stream);
    return result == 1 ? 1 : traceErrorReturn(fn, result);
}

int printRecordBlock(const char* section, const char* const* fields, int fieldCount,
                     FILE* stream, const char* writerName) {
    BlockText block;
    block.append('[');
    block.append(section);
    block.append("]\n");
    for (int i = 0; i < fieldCount; ++i) {
        if (i > 0) block.append(',');
        block.appendQuoted(fields[i]);
    }
    block.append("\n[/");
    block.append(section);
    block.append("]\n");
    const int result = block.writeTo(stream);
    return result == 1 ? 1 : traceErrorReturn(writerName, result);
}

int printLines(const char* const* lines, int lineCount, FILE* stream, const char* writerName) {
    for (int i = 0; i < lineCount; ++i) {
        if (fputs(lines[i], stream) == EOF || fputc('\n', stream) == EOF)
            return traceErrorReturn(writerName, EOF);
    }
    return 1;
}

int printTracedLines(const char* const* lines, int lineCount, FILE* stream, const char* writerName) {
    NATRACE(TR_ENTER, "Enter: %s\n", writerName);
    const int result = printLines(lines, lineCount, stream, writerName);
    if (result == 1) NATRACE(TR_EXIT, "Exit: %s\n", writerName);
    return result;
}

int printHeaderStart(FILE* stream) {
    static const char* const lines[] = {"[Header]"};
    return printTracedLines(lines, 1, stream, "printHeaderStart()");
}

int printHeaderEnd(FILE* stream) {
    static const char* const lines[] = {"[/Header]"};
    return printTracedLines(lines, 1, stream, "printHeaderEnd()");
}

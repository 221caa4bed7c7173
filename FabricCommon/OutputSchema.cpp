#include "OutputSchema.h"

#include "TraceScope.h"

int printSectionHeaders(const Section* const* sections, int count, FILE* stream, const char* writerName) {
    NATRACE(TR_ENTER, "Enter: %s\n", writerName);
    for (int i = 0; i < count; ++i) {
        if (fputc('[', stream) == EOF || fputs(sections[i]->name, stream) == EOF || fputs("]\n", stream) == EOF ||
            fputs(sections[i]->columns, stream) == EOF || fputc('\n', stream) == EOF) {
            return traceErrorReturn(writerName, EOF);
        }
    }
    NATRACE(TR_EXIT, "Exit: %s\n", writerName);
    return 1;
}

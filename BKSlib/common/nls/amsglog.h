// Message output: catalog messages and catalog error reports on their way to
// standard output and the error log.
#pragma once

using NlOutputRoutine = void (*)(const char* text);

// One routine per severity code (0..8); slot 6 also receives error reports.
// By default each writes the text and a line end to standard output.
void nlSetOutputRoutine(unsigned slot, NlOutputRoutine routine);

// Builds the numbered message and writes it through the routine of its
// severity; from severity 5 (W) on it also goes to the error log.
void nlPrintMessage(unsigned number, ...);
// A catalog error report: error output routine, TR_NLS trace and error log.
void nlReport(const char* text);
// Appends "<date> <time> <text>" to the error log when one is named; never
// follows a symbolic link and reports nothing itself.
void nlAppendErrorLog(const char* text);

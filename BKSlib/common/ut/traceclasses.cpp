// Class flags, the library's class tables and the switching of classes.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "traceinternal.h"

unsigned char TR_ERROR = 0, TR_GENERAL = 0, TR_NLS = 0, TR_EVENT = 0, TR_FILEOPS = 0, TR_MEMORY = 0,
              TR_THREAD = 0, TR_TEST = 0, TR_EXTRC = 0, TR_EXTRC_DETAIL = 0, TR_INSTRUMENT = 0,
              TR_STATUSLOG = 0, TR_CLIENTTYPE = 0, TR_CONFIG = 0, TR_STATS = 0;
unsigned char TR_ENTER = 0, TR_EXIT = 0, TR_PREFIX = 0, TR_TIMESTAMP = 0, TR_PID = 0, TR_TID = 0;

// Only the classes this program and its library name; "ERROR" stays first.
const TraceClass ClassTable[] = {
    {"ERROR", &TR_ERROR, 0},
    {"GENERAL", &TR_GENERAL, 0},
    {"NLS", &TR_NLS, 0},
    {"EVENT", &TR_EVENT, 0},
    {"FILEOPS", &TR_FILEOPS, 0},
    {"MEMORY", &TR_MEMORY, 0},
    {"THREAD", &TR_THREAD, 0},
    {"TEST", &TR_TEST, 0},
    {"EXTRC", &TR_EXTRC, 0},
    {"EXTRC_DETAIL", &TR_EXTRC_DETAIL, 1},
    {"INSTRUMENT", &TR_INSTRUMENT, 0},
    {"STATUSLOG", &TR_STATUSLOG, 0},
    {"CONFIG", &TR_CONFIG, 0},
    {"STATS", &TR_STATS, 0},
    {"ENTER", &TR_ENTER, 0},
    {"EXIT", &TR_EXIT, 0},
    {"TIMESTAMP", &TR_TIMESTAMP, 0},
    {"PREFIX", &TR_PREFIX, 0},
    {"PID", &TR_PID, 0},
    {"TID", &TR_TID, 0},
    {nullptr, nullptr, 0},
};

const TraceAggregate AggregateTable[] = {
    {"OPTIONS", "CONFIG"},
    {"PERFORM", "CONFIG STATS"},
    {nullptr, nullptr},
};

namespace {

// Guards against aggregates that name each other.
constexpr int kMaxAggregateDepth = 8;

bool sameName(const char* tableName, const std::string& word) {
    return std::strlen(tableName) == word.size() &&
           std::equal(word.begin(), word.end(), tableName,
                      [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) ==
                                                  std::toupper(static_cast<unsigned char>(b)); });
}

bool applyWords(const std::string& list, bool on, const TraceClass* classes,
                const TraceAggregate* aggregates, int depth, std::string* failedWord);

bool applyWord(std::string word, bool on, const TraceClass* classes, const TraceAggregate* aggregates,
               int depth, std::string* failedWord) {
    for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool wordOn = on;
    std::string name = word;
    if (!name.empty() && name[0] == '-') {
        wordOn = false;
        name.erase(0, 1);
    }
    if (name == "ALL") {
        for (const TraceClass* c = classes; c && c->name; ++c)
            if (c->flag != &TR_TIMESTAMP && c->flag != &TR_PREFIX) *c->flag = wordOn ? 1 : 0;
        return true;
    }
    for (const TraceAggregate* a = aggregates; a && a->name; ++a) {
        if (sameName(a->name, name)) {
            if (depth >= kMaxAggregateDepth) break;
            return applyWords(a->expansion ? a->expansion : "", wordOn, classes, aggregates, depth + 1,
                              failedWord);
        }
    }
    for (const TraceClass* c = classes; c && c->name; ++c) {
        if (sameName(c->name, name)) {
            *c->flag = wordOn ? 1 : 0;
            return true;
        }
    }
    *failedWord = word;
    return false;
}

// A negated aggregate switches its whole expansion off; otherwise each word keeps its own sign.
bool applyWords(const std::string& list, bool on, const TraceClass* classes,
                const TraceAggregate* aggregates, int depth, std::string* failedWord) {
    std::size_t pos = 0;
    while (pos < list.size()) {
        while (pos < list.size() && std::isspace(static_cast<unsigned char>(list[pos]))) ++pos;
        std::size_t end = pos;
        while (end < list.size() && !std::isspace(static_cast<unsigned char>(list[end]))) ++end;
        if (end > pos) {
            std::string word = list.substr(pos, end - pos);
            if (!on && word[0] != '-') word.insert(0, 1, '-');
            if (!applyWord(word, true, classes, aggregates, depth, failedWord)) return false;
        }
        pos = end;
    }
    return true;
}

}  // namespace

void trClearClassFlags(const TraceClass* table) {
    if (!table || !table->name) return;
    for (const TraceClass* c = table + 1; c->name; ++c) *c->flag = 0;
}

int trSetClasses(const char* words, bool quiet, const TraceClass* classes,
                 const TraceAggregate* aggregates) {
    const int savedErrno = errno;
    std::unique_lock<std::recursive_mutex> lock;
    if (traceObj) {
        lock = std::unique_lock<std::recursive_mutex>(traceObj->mutex);
        if (traceObj->firstSwitch) {
            TR_PREFIX = 1;
            TR_TIMESTAMP = 1;
            traceObj->firstSwitch = false;
        }
    }
    int rc = 0;
    std::string failed;
    if (!applyWords(words ? words : "", true, classes, aggregates, 0, &failed)) {
        if (!quiet) std::printf("Invalid trace flag: %s\n", failed.c_str());
        rc = -1;
    }
    if (traceObj) traceObj->active = true;
    errno = savedErrno;
    return rc;
}

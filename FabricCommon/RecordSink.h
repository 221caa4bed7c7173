// The output file as the discovery and zoning drivers write it: the stream,
// its path (a message insert), and the first failed write, kept.
#pragma once

#include <cstdio>

class RecordSink {
public:
    RecordSink(FILE* stream, const char* path) : stream_(stream), path_(path ? path : "") {}

    FILE* stream() const { return stream_; }

    // A writer's result: 1 is success; anything else (0 included) is a failed
    // write, and the first one is kept. Returns whether the write succeeded.
    bool put(int writerResult) {
        if (writerResult == 1) return true;
        if (failure_ == 1) failure_ = writerResult;
        return false;
    }
    bool failed() const { return failure_ != 1; }

    // The failed write as the zoning walk hands it up: the call's own negative
    // result, or -2013 for a 0.
    int failure() const;

    // The failed write as it ends the probe: AGT0422E ("probe", the path), logged
    // once however many callers see the failure; returns -2013.
    int writeFailed();

private:
    FILE* stream_;
    const char* path_;
    int failure_ = 1;
    bool logged_ = false;
};

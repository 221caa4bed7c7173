#include "OutputFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "naMessages.h"
#include "naTrace.h"
#include "psnautil.h"

OutputFile::~OutputFile() {
    if (stream_) std::fclose(stream_);
}

bool OutputFile::open(const std::string& path) {
    if (stream_) close();
    // A link in the file's place is a failed open, never a way to write elsewhere.
    stream_ = psOpenFileNoLink(path, "w");
    return stream_ != nullptr;
}

bool OutputFile::close() {
    if (!stream_) return true;
    // The last buffered part reaches the disk only now; a failure here means a short file.
    const bool earlierFailure = std::ferror(stream_) != 0;
    const bool flushed = std::fflush(stream_) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (closed && !flushed) errno = flushError;
    else if (closed && earlierFailure) errno = EIO;
    return !earlierFailure && flushed && closed;
}

void copyOutputToLog(const std::string& path) {
    // Nor is a link read into the log: the open failed, and it points elsewhere.
    FILE* file = path.empty() ? nullptr : psOpenFileNoLink(path, "r");
    if (!file) {
        const int error = path.empty() ? ENOENT : errno;
        NATRACE(TR_MIN, "error opening output file %s errno %d error description %s\n",
                naTraceText(path).c_str(), error, std::strerror(error));
        return;
    }
    // Only a file has an end: a device in the output file's place would be read forever.
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode)) {
        char piece[1000];
        while (std::fgets(piece, sizeof piece, file)) naLogMessage(AGT0426I, piece);
    }
    if (std::fclose(file) != 0)
        NATRACE(TR_MIN, "error closing output file errno %d description %s\n", errno, std::strerror(errno));
}

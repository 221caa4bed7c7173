// Small file services: existence, removal, quote stripping, opening without a link.
#include "psnautil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "naTrace.h"
#include "ut/filemodes.h"

std::string stripQuotes(const std::string& path) {
    if (path.size() > 2 && path.front() == '"' && path.back() == '"')
        return path.substr(1, path.size() - 2);
    return path;
}

int psRemoveFile(std::string& path) {
    static const char fn[] = "psRemoveFile()";
    NATRACE(TR_ENTER, "Enter: %s - %s\n", fn, naTraceText(path).c_str());
    path = stripQuotes(path);
    if (unlink(path.c_str()) != 0) return -1;
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return 0;
}

int psFileExist(std::string& path) {
    static const char fn[] = "psFileExist()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    path = stripQuotes(path);
    struct stat info;
    const bool exists = !path.empty() && stat(path.c_str(), &info) == 0;
    if (exists) NATRACE(TR_MAX, "File %s exists\n", naTraceText(path).c_str());
    else NATRACE(TR_MAX, "Files %s does not exists\n", naTraceText(path).c_str());
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return exists ? 1 : 0;
}

FILE* psOpenFileNoLink(const std::string& path, const char* mode) {
    int flags = O_NOFOLLOW | O_CLOEXEC;
    switch (mode[0]) {
        case 'r': flags |= O_RDONLY; break;
        case 'w': flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
        case 'a': flags |= O_WRONLY | O_CREAT | O_APPEND; break;
        default: errno = EINVAL; return nullptr;
    }
    const int fd = open(path.c_str(), flags, kPrivateFileMode);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, mode);
    if (!file) {
        const int error = errno;
        close(fd);
        errno = error;
    }
    return file;
}

#include "InputFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

std::string inputName(const std::string& path) { return path == "-" ? std::string("(standard input)") : path; }

InputFile openInput(const std::string& path, std::string& error) {
    if (path == "-") return InputFile(stdin);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (S_ISDIR(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))) {
        // A device such as /dev/zero would never end; "-" reads a pipe or terminal.
        error = path + " is " + (S_ISDIR(st.st_mode) ? "a directory" : "a device") + ", not an output file";
        return nullptr;
    }
    InputFile in(std::fopen(path.c_str(), "rb"));
    if (!in) error = "cannot open " + path + ": " + std::strerror(errno);
    return in;
}

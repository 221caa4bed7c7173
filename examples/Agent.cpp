// A stand-in for the agent's own program: the probe runs it with "-notify" at the end of
// a job. It appends the arguments it was given to <its directory>/../agent-args.log, one
// line per run with the arguments separated by blanks, and the same arguments, each ended
// by a NUL byte, to agent-args.nul beside it. It always exits 0.
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace {

std::string ownDirectory(const char* argv0) {
    std::string self = argv0 != nullptr ? argv0 : "";
    if (self.find('/') == std::string::npos) {
        char resolved[PATH_MAX];
        self = ::realpath("/proc/self/exe", resolved) != nullptr ? resolved : "./Agent";
    }
    std::string::size_type slash = self.rfind('/');
    return slash == 0 ? "/" : self.substr(0, slash);
}

void append(const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    ssize_t unused = ::write(fd, text.data(), text.size());
    (void)unused;
    ::close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = ownDirectory(argv[0]) + "/..";
    std::string line;
    std::string nulSeparated;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
        nulSeparated += argv[i];
        nulSeparated += '\0';
    }
    append(dir + "/agent-args.log", line + "\n");
    append(dir + "/agent-args.nul", nulSeparated);
    return EXIT_SUCCESS;
}

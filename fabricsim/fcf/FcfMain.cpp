// fabricsim-fcf: an FCoE fabric on UDP sockets for qemu's "dgram" netdev, one socket per
// NIC of the model's host, answering CT requests from the model through the simulator.
#include <sys/prctl.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "FcfLink.h"
#include "FcoeModel.h"

namespace {

constexpr char kUsage[] =
    "usage: fabricsim-fcf [--no-management-server] [--log FILE] [--listen ADDRESS] MODEL\n"
    "       fabricsim-fcf --fcoe-model MODEL [--faults FILE]\n";

struct Options {
    std::string model;
    std::string faults;
    std::string log;
    std::string listen = "127.0.0.1";
    bool fcoeModel = false;
    bool listManagementServer = true;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--no-management-server") options.listManagementServer = false;
        else if (arg == "--fcoe-model") options.fcoeModel = true;
        else if (arg == "--log" && hasValue) options.log = argv[++i];
        else if (arg == "--listen" && hasValue) options.listen = argv[++i];
        else if (arg == "--faults" && hasValue) options.faults = argv[++i];
        else if (!arg.empty() && arg[0] != '-' && options.model.empty()) options.model = arg;
        else return false;
    }
    return !options.model.empty() && (options.fcoeModel || options.faults.empty());
}

bool readText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return static_cast<bool>(in);
}

int printFcoeModel(const Options& options) {
    std::string model;
    std::string faults;
    if (!readText(options.model, model) || (!options.faults.empty() && !readText(options.faults, faults))) {
        std::fprintf(stderr, "fabricsim-fcf: cannot read %s\n", model.empty() ? options.model.c_str() : options.faults.c_str());
        return 2;
    }
    std::string out;
    const std::string failure = fabricsim::fcf::fcoeModel(model, options.faults.empty() ? nullptr : &faults, out);
    if (!failure.empty()) {
        std::fprintf(stderr, "fabricsim-fcf: %s cannot be served through fcoe: %s\n", options.model.c_str(), failure.c_str());
        return 1;
    }
    std::fputs(out.c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (options.fcoeModel) return printFcoeModel(options);
    // The fabric lives as long as whoever started it (the VM test's script).
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    return fabricsim::fcf::serveFabric(options.model, options.listen, options.log, options.listManagementServer);
}

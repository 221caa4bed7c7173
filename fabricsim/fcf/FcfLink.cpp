#include "FcfLink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "FcfPort.h"
#include "NicPlan.h"
#include "Simulator.h"

namespace fabricsim::fcf {
namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t stopRequested = 0;
void requestStop(int) { stopRequested = 1; }

class LogFile {
public:
    explicit LogFile(const std::string& path) : file_(path.empty() ? stderr : std::fopen(path.c_str(), "a")) {}
    ~LogFile() {
        if (file_ != nullptr && file_ != stderr) std::fclose(file_);
    }
    bool usable() const { return file_ != nullptr; }
    void line(const std::string& who, const std::string& text) {
        const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        std::fprintf(file_, "%9.3f %s %s\n", seconds, who.c_str(), text.c_str());
        std::fflush(file_);
    }

private:
    std::FILE* file_;
    Clock::time_point start_ = Clock::now();
};

struct Link {
    Nic nic;
    int fd = -1;
    sockaddr_in peer{};
    bool peerKnown = false;
    std::unique_ptr<FcfPort> port;
};

bool bindLink(Link& link, const std::string& address, std::string& where) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) return false;
    link.fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    socklen_t size = sizeof local;
    if (link.fd < 0 || ::bind(link.fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(link.fd, reinterpret_cast<sockaddr*>(&local), &size) != 0)
        return false;
    where = address + ":" + std::to_string(ntohs(local.sin_port));
    return true;
}

void wireLink(Link& link, Simulator& simulator, LogFile& log) {
    Link* self = &link;
    FcfPort::Logger logger = [self, &log](const std::string& text) { log.line(self->nic.setup.name, text); };
    link.port = std::make_unique<FcfPort>(
        link.nic.setup, answerFromModel(simulator, link.nic, logger),
        [self](const std::vector<std::uint8_t>& frame) {
            if (self->peerKnown)
                ::sendto(self->fd, frame.data(), frame.size(), 0, reinterpret_cast<const sockaddr*>(&self->peer),
                         sizeof self->peer);
        },
        logger);
}

void receiveOn(Link& link) {
    std::uint8_t frame[16384];
    sockaddr_in from{};
    socklen_t size = sizeof from;
    const ssize_t got = ::recvfrom(link.fd, frame, sizeof frame, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &size);
    if (got <= 0) return;
    link.peer = from;
    link.peerKnown = true;
    link.port->receive(ByteSpan{frame, static_cast<std::size_t>(got)});
}

void serve(std::vector<Link>& links) {
    std::vector<pollfd> polled;
    for (const Link& link : links) polled.push_back(pollfd{link.fd, POLLIN, 0});
    const auto period = std::chrono::milliseconds(kKeepAlivePeriodMs);
    Clock::time_point nextAdvertisement = Clock::now() + period;
    while (stopRequested == 0) {
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextAdvertisement - Clock::now());
        const int ready = ::poll(polled.data(), polled.size(), wait.count() > 0 ? static_cast<int>(wait.count()) : 0);
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "fabricsim-fcf: poll: %s\n", std::strerror(errno));
            return;
        }
        for (std::size_t i = 0; ready > 0 && i < polled.size(); ++i)
            if ((polled[i].revents & POLLIN) != 0) receiveOn(links[i]);
        if (Clock::now() >= nextAdvertisement) {
            for (Link& link : links) link.port->readvertise();
            nextAdvertisement += period;
        }
    }
}

}  // namespace

int serveFabric(const std::string& modelPath, const std::string& listenAddress, const std::string& logPath,
                bool listManagementServer) {
    ::setenv("FABRICSIM_MODEL", modelPath.c_str(), 1);  // the simulator's own way in: FABRICSIM_LOG and _PCAP apply
    std::string error;
    std::unique_ptr<Simulator> simulator = Simulator::fromEnvironment(error);
    LogFile log(logPath);
    if (!simulator) {
        std::fprintf(stderr, "%s\n", error.c_str());  // the simulator's own line, naming the model
        return 1;
    }
    if (!log.usable()) {
        std::fprintf(stderr, "fabricsim-fcf: cannot write %s: %s\n", logPath.c_str(), std::strerror(errno));
        return 1;
    }
    std::vector<Link> links;
    for (const Nic& nic : planNics(simulator->model(), listManagementServer)) {
        links.emplace_back();
        links.back().nic = nic;
    }
    if (links.empty()) {
        std::fprintf(stderr, "fabricsim-fcf: %s has no adapter port on a fabric, so no NIC\n", modelPath.c_str());
        return 1;
    }
    for (std::size_t i = 0; i < links.size(); ++i) {
        Link& link = links[i];
        std::string where;
        if (!bindLink(link, listenAddress, where)) {
            std::fprintf(stderr, "fabricsim-fcf: cannot bind a UDP socket on %s: %s\n", listenAddress.c_str(), std::strerror(errno));
            return 1;
        }
        wireLink(link, *simulator, log);
        std::printf("nic %zu adapter %zu port %zu mac %s udp %s\n", i, link.nic.adapter,
                    link.nic.port, macText(link.nic.mac).c_str(), where.c_str());
    }
    std::printf("ready\n");
    std::fflush(stdout);
    struct sigaction stop {};
    stop.sa_handler = requestStop;
    ::sigaction(SIGTERM, &stop, nullptr);
    ::sigaction(SIGINT, &stop, nullptr);
    serve(links);
    for (Link& link : links) ::close(link.fd);
    return 0;
}

}  // namespace fabricsim::fcf

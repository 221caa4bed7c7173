// The fabric's sockets: one UDP socket per NIC of the model's host, each speaking to the
// qemu "dgram" netdev that sends to it (its address is learnt from the first frame), the
// periodic advertisements, and the simulator behind every NIC.
#pragma once

#include <string>

namespace fabricsim::fcf {

// Prints one line per NIC on standard output ("nic <i> adapter <a> port <p> mac <mac> udp
// <address>:<port>"), then "ready", and serves until SIGTERM or SIGINT. The exit status:
// 0 after a signal, 1 when the model or a socket cannot be used (said on standard error).
int serveFabric(const std::string& modelPath, const std::string& listenAddress, const std::string& logPath,
                bool listManagementServer);

}  // namespace fabricsim::fcf

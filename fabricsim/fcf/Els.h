// Extended and basic link service payloads (FC-LS) this fabric reads and answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ByteSpan.h"
#include "Hex.h"

namespace fabricsim::fcf {

namespace els {
constexpr std::uint8_t kReject = 0x01;
constexpr std::uint8_t kAccept = 0x02;
constexpr std::uint8_t kPlogi = 0x03;
constexpr std::uint8_t kFlogi = 0x04;
constexpr std::uint8_t kLogo = 0x05;
constexpr std::uint8_t kRrq = 0x12;
constexpr std::uint8_t kScr = 0x62;
// LS_RJT reasons and explanations
constexpr std::uint8_t kUnableToPerform = 0x09;
constexpr std::uint8_t kNotSupported = 0x0B;
constexpr std::uint8_t kInvalidPortName = 0x0D;
}  // namespace els

constexpr std::size_t kLoginPayloadSize = 116;

// What a FLOGI or PLOGI says about its sender.
struct LoginRequest {
    Wwn portName = 0;
    Wwn nodeName = 0;
    std::uint16_t receiveSize = 0;  // largest frame payload the sender takes (B2B receive data field size)
};

// False when the payload is shorter than a login's.
bool decodeLogin(ByteSpan payload, LoginRequest& out);

// The LS_ACC of a login: common service parameters (an F_Port's for FLOGI, with R_A_TOV and
// E_D_TOV in milliseconds), port and node name, class 3 valid, 116 bytes.
std::vector<std::uint8_t> loginAccept(bool fabricLogin, Wwn portName, Wwn nodeName, std::uint16_t receiveSize);

std::vector<std::uint8_t> lsAccept();  // the bare 4-byte LS_ACC
std::vector<std::uint8_t> lsReject(std::uint8_t reason, std::uint8_t explanation);

// BA_ACC to an ABTS: the aborted exchange's OX_ID and RX_ID, every sequence aborted.
std::vector<std::uint8_t> basicAccept(std::uint16_t oxId, std::uint16_t rxId);

// R_A_TOV and E_D_TOV the fabric gives at login: a switch's defaults. libfc waits E_D_TOV
// for each CT answer through bsg before it gives up (ETIMEDOUT) and aborts the exchange.
constexpr std::uint32_t kResourceAllocationTimeoutMs = 10000;
constexpr std::uint32_t kErrorDetectTimeoutMs = 2000;

}  // namespace fabricsim::fcf

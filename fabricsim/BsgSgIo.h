// One SG_IO on a simulated FC bsg device, carried out as block/bsg.c and block/bsg-lib.c
// carry it out for the FC transport and the host's driver (Linux 6.1).
#pragma once

#include <linux/bsg.h>

#include <cstdint>

#include "KernelDriver.h"
#include "KernelHosts.h"
#include "Simulator.h"

namespace fabricsim {

// rport: the remote port whose /dev/bsg/rport-* the request came through; null for the
// host's /dev/bsg/fc_host<N>. Returns what ioctl returns: 0, or -1 with errno set. A failed
// job leaves the caller's sg_io_v4 as it was (bsg.c copies it back only on success) and puts
// only its 4-byte -errno result into the reply buffer (bsg-lib.c:109-121). A completed one
// gets response_len, din_resid and the statuses as the driver leaves them: libfc and lpfc a
// 96-byte reply (cut to max_response_len), qla2xxx none when the answer filled the buffer
// (CS_COMPLETE) and 28 bytes with the underrun status when it did not; libfc marks a CT or
// ELS reject in ctels_reply.status.
int bsgSgIo(Simulator& simulator, KernelDriver driver, const KernelHost& host, const KernelRport* rport,
            sg_io_v4& io);

// How long the driver waits for the fabric's answer: libfc its servers' E_D_TOV (2 s, then
// ETIMEDOUT), others the bsg timeout: timeoutMs, 0 meaning 60 s, never under 7 s (bsg.c:45-55).
std::uint64_t bsgDeadlineMs(KernelDriver driver, std::uint32_t timeoutMs);

}  // namespace fabricsim

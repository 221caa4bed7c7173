// Adapters only the kernel shows. Libraries of the HBA API list only some fc_hosts
// (Debian's libhbalinux only software FCoE ones, none at all when hba.conf names no
// library that loads): every fc_host whose port the HBA API did not list is probed as an
// adapter of its own, with one port, after the HBA API's adapters.
#pragma once

#include <vector>

#include "FcHostLookup.h"
#include "GsTypes.h"

struct KernelAdapter {
    unsigned host = 0;  // fc_host host<N>
    Wwn port{};
};

// The fc_hosts whose port_name is none of the HBA API's ports (listed), by host number;
// each fc_host traced with what becomes of it.
std::vector<KernelAdapter> unlistedFcHosts(const std::vector<Wwn>& listed, const SysfsPaths& paths = SysfsPaths{});

// The kernel's adapters of a run whose HBA API counts hbaAdapters: none, without a
// call to the HBA API, when the kernel lists no fc_host.
std::vector<KernelAdapter> kernelOnlyAdapters(int hbaAdapters, const SysfsPaths& paths = SysfsPaths{});

// Whether the adapter at index (a kernel adapter) is attached to a switched fabric:
// its attributes read now, port_state Online and port_id above 0xFF. Traced as the
// HBA API's adapters are; a filtered adapter says why.
bool kernelAdapterOnFabric(const KernelAdapter& adapter, int index, const SysfsPaths& paths = SysfsPaths{});

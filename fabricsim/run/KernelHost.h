// fabricsim-run --kernel: the model served as a Linux host whose HBA library is
// libhbalinux, inside the private mount namespace the launcher has entered.
#pragma once

#include <string>

#include "KernelDriver.h"

// Replaces /sys/class and /sys/bus/pci/devices, for this namespace only, by a tree
// generated from the model for hosts of that driver. Empty on success, else one line
// saying what failed.
std::string serveModelAsKernelHost(const std::string& modelPath, fabricsim::KernelDriver driver);

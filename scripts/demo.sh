#!/usr/bin/env bash
# Builds, installs into ./demo and runs a real probe of the example SAN.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build

prefix="$PWD/demo"
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFABRICPROBE_BUILD_TESTS=OFF
cmake --build build/demo -j"$(nproc)"
cmake --install build/demo --prefix "$prefix"
echo "installed into $prefix"

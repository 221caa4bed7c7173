#!/usr/bin/env bash
# The 32-bit build, as the probe is deployed beside the agent: probe, simulator and tests
# built for i386 and run through Debian's i386 SNIA library, and the output files of the
# example SAN and of test models compared byte for byte with the native build's.
# Usage: scripts/test-i386.sh [NATIVE_STAGE]   (default build/test/stage, which
# scripts/test.sh installs before it runs this)
set -euo pipefail
cd "$(dirname "$0")/.."

native=$(realpath -m "${1:-build/test/stage}")
build=build/i386
sysroot=$PWD/$build/sysroot
scripts/deps.sh i386 "$sysroot"

# Unoptimised and without debug information (build type None): the cheapest build that
# runs the same tests. The viewer's tests stay with the native suites: the probe does not
# need the viewer, and under qemu a failed exec is not reported back to posix_spawn. Nor
# fabricsim-fcf and its tests: the VM stage runs the 64-bit build.
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/i386-linux-gnu.cmake -DCMAKE_BUILD_TYPE=None \
  -DFABRICPROBE_I386_SYSROOT="$sysroot" -DFABRICPROBE_NATIVE_STAGE="$native" \
  -DFABRICPROBE_BUILD_TESTS=ON -DFABRICPROBE_BUILD_BENCH=OFF -DFABRICPROBE_BUILD_FCF=OFF \
  -DFABRICPROBE_SKIP_TEST_AREAS="view;fcf"
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300
file -L "$build/stage/bin/fabricprobe"

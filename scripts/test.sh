#!/usr/bin/env bash
# Builds everything and runs the whole test suite. Exits nonzero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

jobs=$(nproc)
# The suites are built at -O1 with line tables only: about half the compile
# time of -O2 -g, and still optimised code with file and line in every report.
fast_flags="-O1 -g1 -DNDEBUG"

plain_suite() {
  local build=build/test
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFABRICPROBE_BUILD_TESTS=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$fast_flags" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$fast_flags"
  cmake --build "$build" -j"$jobs"
  ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 300
}

# The whole suite again, end-to-end tests included, built with clang (which
# builds it in half the time gcc takes) under AddressSanitizer and
# UndefinedBehaviorSanitizer; LeakSanitizer checks every process as it exits
# (every end-to-end case in vendor mode, the example SAN's among them). The same build holds the
# fuzz targets, each run over its seed corpus for a bounded number of inputs
# (ctest label "fuzz").
sanitized_suite() {
  local build=build/sanitize
  CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$fast_flags" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$fast_flags" \
    -DFABRICPROBE_BUILD_TESTS=ON -DFABRICPROBE_BUILD_FUZZ=ON -DFABRICPROBE_BUILD_BENCH=OFF
  cmake --build "$build" -j"$jobs"
  # verify_asan_link_order=0: the fast-clock tests preload libfaketime.
  ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 600
}

# The probe on a real Linux kernel, from the plain suite's build and staged installation:
# Debian's kernel under qemu, software FCoE over emulated e1000 NICs against fabricsim-fcf,
# the probe's output files compared with vendor mode's (scripts/test-vm.sh).
vm_suite() {
  scripts/test-vm.sh
}

# The Debian packages, from the plain suite's build: lintian, their files and Depends,
# apt-get install, probes of the example SAN from /opt/fabricprobe, purge.
package_suite() {
  scripts/test-package.sh amd64 build/test
}

# The 32-bit build, as the probe is deployed beside the agent: built and tested for i386,
# its output files compared with those of the plain suite's installation; then its
# packages, from that build: lintian, their files and Depends.
i386_suite() {
  scripts/test-i386.sh build/test/stage
  scripts/test-package.sh i386 build/i386
}

plain_suite
# The VM takes one core while the packages are built and checked beside it; its lines
# come after the package stage's.
vm_log=build/test/vm-stage.log
vm_suite >"$vm_log" 2>&1 &
vm_pid=$!
# A failed package stage still waits for the VM: nothing of the run is left behind.
trap 'wait "$vm_pid" 2>/dev/null || true' EXIT
package_suite
vm_status=0
wait "$vm_pid" || vm_status=$?
cat "$vm_log"
[ "$vm_status" -eq 0 ] || { echo "scripts/test.sh: the VM stage failed (exit $vm_status)" >&2; exit "$vm_status"; }
sanitized_suite
i386_suite

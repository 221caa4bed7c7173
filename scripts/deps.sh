#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need.
# Usage: scripts/deps.sh [build|test|bench]   (test adds the tools the suite runs,
# bench the profiler bench/run.sh times the copy into the activity log with)
set -euo pipefail

# graphviz: fabricprobe-view draws its SVG pictures with the dot program.
want=(cmake make g++ pkg-config libhbaapi-dev nlohmann-json3-dev libc-bin graphviz)
if [ "${1:-build}" = "bench" ]; then
  want+=(linux-perf)
fi
if [ "${1:-build}" = "test" ]; then
  want+=(libgtest-dev libgmock-dev faketime tshark clang libclang-rt-14-dev)
fi

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"

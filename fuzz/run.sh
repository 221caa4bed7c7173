#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan, UBSan) and runs each for a
# while, a few at a time. Each target's corpus grows in <build>/corpus/<target>,
# seeded from fuzz/corpus/<target>; findings (crash-*, leak-*, timeout-*, oom-*)
# are left in <build>/findings/<target>/ and make the script fail.
#
# Usage: fuzz/run.sh [-t SECONDS] [-j JOBS] [-b BUILD_DIR] [TARGET...]
#   -t  seconds per target (default 600)
#   -j  targets run at once (default 2)
#   -b  build directory (default build/fuzz)
#   TARGET  names without the fuzz_ prefix (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=600
jobs=2
build=build/fuzz
while getopts "t:j:b:" opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    j) jobs=$OPTARG ;;
    b) build=$OPTARG ;;
    *) sed -n '2,12p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

scripts/deps.sh test
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFABRICPROBE_BUILD_FUZZ=ON \
  -DFABRICPROBE_BUILD_TESTS=OFF -DFABRICPROBE_BUILD_BENCH=OFF >/dev/null
if [ $# -eq 0 ]; then
  set -- $(sed -n 's/^fabricprobe_fuzz(\([a-z_]*\) .*/\1/p' fuzz/CMakeLists.txt)
fi
cmake --build "$build" -j"$(nproc)" --target $(printf 'fuzz_%s ' "$@") >/dev/null
build=$(cd "$build" && pwd)
source=$PWD

run_one() {
  local name=$1 corpus=$build/corpus/$1 findings=$build/findings/$1 dict=()
  mkdir -p "$corpus" "$findings"
  [ -f "$source/fuzz/$name.dict" ] && dict=(-dict="$source/fuzz/$name.dict")
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
       -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" "$corpus" "$source/fuzz/corpus/$name" \
       >"$build/findings/$name.log" 2>&1; then
    echo "fuzz_$name: clean, $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/findings/$name.log" |
      grep -o '[0-9]*$') inputs in ${seconds}s, corpus of $(ls "$corpus" | wc -l)"
  else
    echo "fuzz_$name: FINDING, see $build/findings/$name.log and $findings/"
    return 1
  fi
}

failed=0
pids=()
for name in "$@"; do
  run_one "$name" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
exit $failed

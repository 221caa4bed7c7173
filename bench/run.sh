#!/usr/bin/env bash
# Benchmarks the probe against its floor: for each scale, a "Topology" and a
# "ZoningOnly" probe of a generated SAN under fabricsim-run, and the floor client
# sending the same requests through the same SNIA library and simulator.
# Prints a Markdown table (also written to <build>/results.md).
#
# Usage: bench/run.sh [-r RUNS] [-s "SCALES"] [-b BUILD_DIR]
#   -r  runs per measurement; the least of them is reported, the figure least
#       disturbed by other work on the machine (default 5)
#   -s  scales (default "1 8")
#   -b  build directory (default build/bench)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=5
scales="1 8"
build=build/bench
while getopts "r:s:b:" opt; do
  case $opt in
    r) runs=$OPTARG ;;
    s) scales=$OPTARG ;;
    b) build=$OPTARG ;;
    *) sed -n '2,10p' "$0"; exit 2 ;;
  esac
done

scripts/deps.sh build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFABRICPROBE_BUILD_TESTS=OFF \
  -DFABRICPROBE_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target fabricprobe fabricsim fabricsim-run orxna_catalog Agent \
  bench-genmodel bench-floor bench-logcopy bench-measure bench-copytimer >/dev/null

# A private installation, laid out as `cmake --install` lays it out.
build=$(cd "$build" && pwd)
stage=$build/stage
work=$build/work
rm -rf "$stage" "$work"
mkdir -p "$stage"/{bin,lib,nls/en_US,log,output/bench,input} "$work"
install -m 0755 "$build/FabricProbe/fabricprobe" "$build/fabricsim/fabricsim-run" \
  "$build/examples/Agent" "$stage/bin/"
install -m 0755 "$build/fabricsim/libfabricsim.so" "$stage/lib/"
install -m 0644 "$build/nls/en_US/orxna.cat" "$stage/nls/en_US/"
tools=$build/bench
run=$stage/bin/fabricsim-run
probe=$stage/bin/fabricprobe

probe_args() {  # command
  echo -servername bench -serverip 192.0.2.1 -serverport 9549 -command "$1" -fabrics allfabrics \
    -jobtimestamp 20240101000000 -discoverrequestid 1 -devicejobid 1
}

# best FILE FIELD: the least value of a field over the runs in FILE. "cpu" is
# user + system, "copy" the copy's CPU inside the run, "outside" the run's CPU
# less its copy, "send" the floor's sending loop, "nocopy" the floor's run less
# its copy of the output file into a log; all in seconds.
best() {
  awk -v f="$2" '{
      delete v
      for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
      cpu = v["user_s"] + v["sys_s"]
      x = f == "cpu" ? cpu : f == "copy" ? v["copy_cpu_us"] / 1e6 : f == "outside" ? cpu - v["copy_cpu_us"] / 1e6 : \
          f == "send" ? v["send_cpu_us"] / 1e6 : f == "nocopy" ? cpu - v["copy_floor_cpu_us"] / 1e6 : v[f]
      if (NR == 1 || x < m) m = x
    } END { print m }' "$1"
}

# Every run starts from empty output and log directories: the probe otherwise
# spends part of its run deleting the activity logs of earlier runs (-maxnumlogs).
clean_run_files() {
  rm -f "$stage"/output/bench/* "$stage"/log/bench/* "$work/floor.log"
}

# measure_runs COUNT OUT MODEL CMD...: COUNT measured runs under the simulator,
# appended to OUT, one line each: bench-measure's figures, the command's own
# "name=value" report (the floor's), and the copy timer's figures (the probe's).
measure_runs() {
  local count=$1 out=$2 model=$3 line
  shift 3
  for ((i = 0; i < count; i++)); do
    clean_run_files
    rm -f "$work/measure.txt" "$work/copy.txt"
    line=$("$run" "$model" -- env LD_PRELOAD="$tools/libbench-copytimer.so" BENCH_COPY_FILE="$output" \
      BENCH_COPY_REPORT="$work/copy.txt" "$tools/bench-measure" -o "$work/measure.txt" "$@" | grep '=' || true)
    echo "$(cat "$work/measure.txt") $line $(cat "$work/copy.txt" 2>/dev/null)" >>"$out"
  done
}

# calc EXPR [DECIMALS]: arithmetic on the measured numbers.
calc() { awk "BEGIN { printf \"%.${2:-3}f\", ($1) }"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

results=$work/rows.txt
: >"$results"
for scale in $scales; do
  model=$work/scale$scale.json
  "$tools/bench-genmodel" "$scale" >"$model"
  # The floor's fixed cost: start, load the SNIA library and the model, send nothing.
  output=/dev/null
  : >"$work/empty-$scale.txt"
  measure_runs "$runs" "$work/empty-$scale.txt" "$model" "$tools/bench-floor" /dev/null
  for command in Topology ZoningOnly; do
    tag=$scale-$command
    output=$stage/output/bench/fabricprobe_${command}_20240101000000_1_1.dat
    # One run with the call log: the requests the floor replays.
    clean_run_files
    FABRICSIM_LOG=$work/calls-$tag.log "$run" "$model" -- "$probe" $(probe_args "$command") >/dev/null
    requests=$(wc -l <"$work/calls-$tag.log")
    lines=$(wc -l <"$output")
    cp "$output" "$work/output-$tag.dat"

    # Probe and floor runs take turns, so that both meet the same load.
    : >"$work/probe-$tag.txt"
    : >"$work/floor-$tag.txt"
    : >"$work/debug-$tag.txt"
    for ((r = 0; r < runs; r++)); do
      measure_runs 1 "$work/probe-$tag.txt" "$model" "$probe" $(probe_args "$command")
      # The designed-work floor: the same requests, then the output file's lines
      # appended to a log one stamped line at a time, each with open, write, close.
      measure_runs 1 "$work/floor-$tag.txt" "$model" "$tools/bench-floor" "$work/calls-$tag.log" \
        "$work/output-$tag.dat" "$work/floor.log"
    done
    measure_runs "$runs" "$work/debug-$tag.txt" "$model" "$probe" $(probe_args "$command") -debug MAX

    # What the system calls of the same log lines cost alone.
    syscalls=$("$tools/bench-logcopy" "$stage" "$work/output-$tag.dat" "$work/copy-$tag.log" "$runs" |
      sed 's/.*floor_us_per_line=\([0-9.]*\).*/\1/')
    rm -f "$work/copy-$tag.log"
    echo "$scale $command $requests $lines $(best "$work/probe-$tag.txt" cpu) $(best "$work/probe-$tag.txt" wall_s)" \
      "$(best "$work/probe-$tag.txt" maxrss_kb) $(best "$work/floor-$tag.txt" cpu)" \
      "$(best "$work/floor-$tag.txt" wall_s) $(best "$work/floor-$tag.txt" maxrss_kb)" \
      "$(best "$work/debug-$tag.txt" cpu) $(best "$work/probe-$tag.txt" copy) $(best "$work/probe-$tag.txt" outside)" \
      "$syscalls $(best "$work/floor-$tag.txt" send) $(best "$work/empty-$scale.txt" cpu)" \
      "$(best "$work/floor-$tag.txt" nocopy)" >>"$results"
  done
done

{
  echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(uname -n): $(nproc) CPUs," \
    "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), Linux $(uname -r);" \
    "least of $runs runs; CPU = user + system."
  echo
  echo "| scale | probe | GS requests | output lines | whole run CPU s: probe / designed-work floor, × (target ≤ 1.25) | copy into the activity log: CPU s (share of the run) | CPU outside the copy: s, × floor (target ≤ 1.5 at scale 8) | copy: µs per line (target ≤ 5) / its system calls alone | wall s: probe / floor | peak RSS MiB: probe / floor / difference | -debug MAX: CPU s, × plain |"
  echo "|---|---|---|---|---|---|---|---|---|---|---|"
  # The floor's run less its own copy is what the probe's run outside its copy compares with.
  while read -r scale command requests lines pcpu pwall prss fcpu fwall frss dcpu copy outside fline send empty nocopy; do
    echo "| $scale | $command | $requests | $lines | $(calc "$pcpu") / $(calc "$fcpu"), **$(ratio "$pcpu" "$fcpu")** |" \
      "$(calc "$copy") ($(calc "100 * $copy / $pcpu" 0)%) |" \
      "$(calc "$outside"), **$(ratio "$outside" "$nocopy")** |" \
      "**$(calc "$copy * 1e6 / $lines" 2)** / $(calc "$fline" 2) | $(calc "$pwall") / $(calc "$fwall") |" \
      "$(calc "$prss / 1024" 1) / $(calc "$frss / 1024" 1) / $(calc "($prss - $frss) / 1024" 2) |" \
      "$(calc "$dcpu"), $(ratio "$dcpu" "$pcpu") |"
  done <"$results"
  echo
  echo "The floor's own cost per request (its sending loop: reading the script, the SNIA library, the simulator):"
  while read -r scale command requests lines pcpu pwall prss fcpu fwall frss dcpu copy outside fline send empty nocopy; do
    echo "- scale $scale $command: $(calc "$send / $requests * 1e6" 1) µs per request ($requests requests in" \
      "$(calc "$send") s; the floor's start, the SNIA library's and the model's loading and its end cost" \
      "$(calc "$empty") s with no request)"
  done <"$results"
  echo
  echo "Peak RSS growth from the smallest to the largest scale, probe less floor (target ≤ 2 MiB):"
  for command in Topology ZoningOnly; do
    awk -v c="$command" '$2 == c { d = ($7 - $10) / 1024; if (!n++) first = d; last = d }
      END { if (n > 1) printf "- %s: %.2f MiB\n", c, last - first }' "$results"
  done
} | tee "$build/results.md"

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

scripts/deps.sh bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFABRICPROBE_BUILD_TESTS=OFF \
  -DFABRICPROBE_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target fabricprobe fabricsim fabricsim-run orxna_catalog Agent \
  bench-genmodel bench-floor bench-logcopy bench-measure >/dev/null

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

# perf and uprobes, when they work here, measure the copy inside the probe's own run.
use_perf=0
perf probe -q -d 'probe_fabricprobe:benchcopy_*' >/dev/null 2>&1 || true
if command -v perf >/dev/null 2>&1 &&
   perf probe -q -x "$probe" --add 'benchcopy_in=copyOutputToLog' 2>/dev/null &&
   perf probe -q -x "$probe" --add 'benchcopy_out=copyOutputToLog%return' 2>/dev/null; then
  use_perf=1
  trap 'perf probe -q -d "probe_fabricprobe:benchcopy_*" >/dev/null 2>&1 || true' EXIT
fi

probe_args() {  # command
  echo -servername bench -serverip 192.0.2.1 -serverport 9549 -command "$1" -fabrics allfabrics \
    -jobtimestamp 20240101000000 -discoverrequestid 1 -devicejobid 1
}

# best FILE FIELD: the least value of a field of bench-measure's lines ("cpu" is
# user + system, "send" the floor's own sending loop in seconds).
best() {
  awk -v f="$2" '{
      for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
      x = f == "cpu" ? v["user_s"] + v["sys_s"] : f == "send" ? v["send_cpu_us"] / 1e6 : v[f]
      if (NR == 1 || x < m) m = x
    } END { print m }' "$1"
}

clean_run_files() {
  rm -f "$stage"/output/bench/* "$stage"/log/bench/*.trace
}

# measure_runs OUT MODEL CMD...: RUNS measured runs under the simulator; the
# command's own "name=value" report, if any, joins each line.
measure_runs() {
  local out=$1 model=$2 line
  shift 2
  : >"$out"
  for ((i = 0; i < runs; i++)); do
    clean_run_files
    line=$("$run" "$model" -- "$tools/bench-measure" -o "$work/measure.txt" "$@" | grep '=' || true)
    echo "$(cat "$work/measure.txt") $line" >>"$out"
    rm -f "$work/measure.txt"
  done
}

# copy_wall MODEL CMD...: seconds from the copy's entry to its return inside a
# real run, timed by two uprobes (no sampling: the run is not slowed down).
copy_wall() {
  local model=$1 data=$work/perf.data
  shift
  clean_run_files
  perf record -q -o "$data" -e 'probe_fabricprobe:benchcopy_*' -- "$run" "$model" -- "$@" >/dev/null 2>&1
  perf script -i "$data" -F comm,time,event 2>/dev/null | awk '
    $1 != "fabricprobe" { next }
    /benchcopy_in/ && !start { start = $2 + 0 }
    /benchcopy_out/ { end = $2 + 0 }
    END { printf "%.6f\n", ((start > 0 && end > start) ? end - start : 0) }'
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
  measure_runs "$work/empty-$scale.txt" "$model" "$tools/bench-floor" /dev/null
  for command in Topology ZoningOnly; do
    tag=$scale-$command
    output=$stage/output/bench/fabricprobe_${command}_20240101000000_1_1.dat
    # One run with the call log: the requests the floor replays.
    clean_run_files
    FABRICSIM_LOG=$work/calls-$tag.log "$run" "$model" -- "$probe" $(probe_args "$command") >/dev/null
    requests=$(wc -l <"$work/calls-$tag.log")
    lines=$(wc -l <"$output")
    cp "$output" "$work/output-$tag.dat"

    measure_runs "$work/probe-$tag.txt" "$model" "$probe" $(probe_args "$command")
    measure_runs "$work/floor-$tag.txt" "$model" "$tools/bench-floor" "$work/calls-$tag.log"
    measure_runs "$work/debug-$tag.txt" "$model" "$probe" $(probe_args "$command") -debug MAX

    copy=$("$tools/bench-logcopy" "$stage" "$work/output-$tag.dat" "$work/copy-$tag.log" "$runs")
    rm -f "$work/copy-$tag.log"
    per_line=$(sed 's/.*cpu_us_per_line=\([0-9.]*\).*/\1/' <<<"$copy")
    floor_line=$(sed 's/.*floor_us_per_line=\([0-9.]*\).*/\1/' <<<"$copy")
    in_run=-
    [ "$use_perf" = 1 ] && in_run=$(copy_wall "$model" "$probe" $(probe_args "$command"))
    echo "$scale $command $requests $lines $(best "$work/probe-$tag.txt" cpu) $(best "$work/probe-$tag.txt" wall_s)" \
      "$(best "$work/probe-$tag.txt" maxrss_kb) $(best "$work/floor-$tag.txt" cpu)" \
      "$(best "$work/floor-$tag.txt" wall_s) $(best "$work/floor-$tag.txt" maxrss_kb)" \
      "$(best "$work/debug-$tag.txt" cpu) $per_line $floor_line $in_run $(best "$work/floor-$tag.txt" send)" \
      "$(best "$work/empty-$scale.txt" cpu)" >>"$results"
  done
done

{
  echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(uname -n): $(nproc) CPUs," \
    "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), Linux $(uname -r);" \
    "least of $runs runs; CPU = user + system."
  echo
  echo "| scale | probe | GS requests | output lines | CPU s: probe / floor | copy into the activity log: CPU s (share of the probe) / wall s inside the run | CPU outside the copy: s, × floor (target ≤ 1.5) | copy µs per line (target ≤ 5) / its system calls alone | wall s: probe / floor | peak RSS MiB: probe / floor / difference | -debug MAX: CPU s, × plain |"
  echo "|---|---|---|---|---|---|---|---|---|---|---|"
  while read -r scale command requests lines pcpu pwall prss fcpu fwall frss dcpu line fline inrun send empty; do
    copy=$(calc "$line * $lines / 1e6")
    outside=$(calc "$pcpu - $copy")
    echo "| $scale | $command | $requests | $lines | $(calc "$pcpu") / $(calc "$fcpu") |" \
      "$copy ($(calc "100 * $copy / $pcpu" 0)%) / $inrun |" \
      "$outside, **$(ratio "$outside" "$fcpu")** |" \
      "**$(calc "$line" 2)** / $(calc "$fline" 2) | $(calc "$pwall") / $(calc "$fwall") |" \
      "$(calc "$prss / 1024" 1) / $(calc "$frss / 1024" 1) / $(calc "($prss - $frss) / 1024" 2) |" \
      "$(calc "$dcpu"), $(ratio "$dcpu" "$pcpu") |"
  done <"$results"
  echo
  echo "The floor's own cost per request (its sending loop: reading the script, the SNIA library, the simulator):"
  while read -r scale command requests lines pcpu pwall prss fcpu fwall frss dcpu line fline inrun send empty; do
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

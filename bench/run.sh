#!/usr/bin/env bash
# Benchmarks the probe against its floor: for each scale, a "Topology" and a
# "ZoningOnly" probe of a generated SAN under fabricsim-run, and the floor client
# sending the same requests through the same SNIA library and simulator.
# Prints a Markdown table (also written to <build>/results.md).
#
# Usage: bench/run.sh [-r RUNS] [-s "SCALES"] [-b BUILD_DIR]
#   -r  runs per measurement, the median is reported (default 5)
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

# median FILE FIELD: the median of a field of bench-measure's lines ("cpu" is user + sys).
median() {
  awk -v f="$2" '{
      for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
      x = f == "cpu" ? v["user_s"] + v["sys_s"] : v[f]; print x
    }' "$1" | sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'
}

clean_run_files() {
  rm -f "$stage"/output/bench/* "$stage"/log/bench/*.trace
}

# measure_runs OUT MODEL CMD...: RUNS measured runs under the simulator.
measure_runs() {
  local out=$1 model=$2
  shift 2
  : >"$out"
  for ((i = 0; i < runs; i++)); do
    clean_run_files
    "$run" "$model" -- "$tools/bench-measure" -o "$out" "$@" >/dev/null
  done
}

# copy_share MODEL CMD...: the share of the probe's CPU samples taken inside the copy.
copy_share() {
  local model=$1 data=$work/perf.data
  shift
  clean_run_files
  perf record -q -o "$data" -e cpu-clock -c 20000 -e probe_fabricprobe:benchcopy_in \
    -e probe_fabricprobe:benchcopy_out -- "$run" "$model" -- "$@" >/dev/null 2>&1
  perf script -i "$data" -F comm,time,event 2>/dev/null | awk '
    $1 != "fabricprobe" { next }
    /benchcopy_in/ { inside = 1; next }
    /benchcopy_out/ { inside = 0; next }
    { total++; if (inside) copy++ }
    END { printf "%.4f\n", total ? copy / total : 0 }'
}

fmt() { awk -v x="$1" -v d="${2:-3}" 'BEGIN { printf "%.*f", d, x }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b > 0 ? a / b : 0 }'; }

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
    probe_cpu=$(median "$work/probe-$tag.txt" cpu)
    if [ "$use_perf" = 1 ]; then
      share=$(copy_share "$model" "$probe" $(probe_args "$command"))
      method=perf
    else
      share=$(awk -v c="$per_line" -v n="$lines" -v p="$probe_cpu" 'BEGIN { printf "%.4f", p > 0 ? c * n / 1e6 / p : 0 }')
      method=timer
    fi
    echo "$scale $command $requests $lines $probe_cpu $(median "$work/probe-$tag.txt" wall_s)" \
      "$(median "$work/probe-$tag.txt" maxrss_kb) $(median "$work/floor-$tag.txt" cpu)" \
      "$(median "$work/floor-$tag.txt" wall_s) $(median "$work/floor-$tag.txt" maxrss_kb)" \
      "$(median "$work/debug-$tag.txt" cpu) $share $per_line $floor_line $method" \
      "$(median "$work/empty-$scale.txt" cpu)" >>"$results"
  done
done

{
  echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(uname -n): $(nproc) CPUs," \
    "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), Linux $(uname -r);" \
    "median of $runs runs; CPU = user + system."
  echo
  echo "| scale | probe | GS requests | output lines | CPU s probe / floor | CPU outside the copy / floor (target ≤ 1.5) | copy share of the run | copy µs per line (target ≤ 5; system calls alone) | wall s probe / floor | peak RSS MiB probe / floor / difference | -debug MAX CPU / plain |"
  echo "|---|---|---|---|---|---|---|---|---|---|---|"
  while read -r scale command requests lines pcpu pwall prss fcpu fwall frss dcpu share line fline method empty; do
    outside=$(awk -v p="$pcpu" -v s="$share" 'BEGIN { print p * (1 - s) }')
    echo "| $scale | $command | $requests | $lines | $(fmt "$pcpu") / $(fmt "$fcpu") |" \
      "$(fmt "$outside") s = **$(ratio "$outside" "$fcpu")** × floor | $(fmt "$share * 100" 1)% ($method) |" \
      "**$(fmt "$line" 2)** ($(fmt "$fline" 2)) | $(fmt "$pwall") / $(fmt "$fwall") |" \
      "$(fmt "$prss / 1024" 1) / $(fmt "$frss / 1024" 1) / $(fmt "($prss - $frss) / 1024" 2) | $(ratio "$dcpu" "$pcpu") |"
  done <"$results"
  echo
  echo "Floor's own cost per request (CPU of the floor less that of a floor sending nothing):"
  while read -r scale command requests lines pcpu pwall prss fcpu fwall frss dcpu share line fline method empty; do
    echo "- scale $scale $command: $(awk -v f="$fcpu" -v e="$empty" -v n="$requests" \
      'BEGIN { printf "%.1f", n > 0 ? (f - e) / n * 1e6 : 0 }') µs per request" \
      "($requests requests; the empty floor costs $(fmt "$empty") s)"
  done <"$results"
  echo
  echo "Peak memory growth from the smallest to the largest scale, probe less floor (target ≤ 2 MiB):"
  for command in Topology ZoningOnly; do
    awk -v c="$command" '$2 == c { d = ($7 - $10) / 1024; if (!n++) first = d; last = d; s1 = $1; s2 = $1 }
      END { if (n > 1) printf "- %s: %.2f MiB\n", c, last - first }' "$results"
  done
} | tee "$build/results.md"

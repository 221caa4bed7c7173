#!/usr/bin/env bash
# Builds, installs into ./demo and runs a real "Topology" and a "ZoningOnly"
# probe of the example SAN (examples/san.json) through the simulator, then
# checks, sums up and draws both output files with fabricprobe-view. Then it
# probes the same SAN a day later (examples/san-changed.json: a device moved, a
# zone member removed, a port offline), shows what changed, and finds a host.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build

prefix="$PWD/demo"
model="$PWD/examples/san.json"
server=demo
build=build/demo

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFABRICPROBE_BUILD_TESTS=OFF -DFABRICPROBE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
cmake --install "$build" --prefix "$prefix" >/dev/null
# The stand-in agent program receives the end-of-job notification.
install -m 0755 "$build/examples/Agent" "$prefix/bin/Agent"
mkdir -p "$prefix/output/$server" "$prefix/input/$server"

stamp=$(date +%Y%m%d%H%M%S)
probe() {  # model, command, discover request id
  set +e
  "$prefix/bin/fabricsim-run" "$1" -- "$prefix/bin/fabricprobe" \
    -servername "$server" -serverip 192.0.2.1 -serverport 9549 \
    -command "$2" -fabrics allfabrics \
    -jobtimestamp "$stamp" -discoverrequestid "$3" -devicejobid 1
  rc=$?
  set -e
  out="$prefix/output/$server/fabricprobe_${2}_${stamp}_${3}_1.dat"
  echo "== $2 probe of $(basename "$1"): exit status $rc"
  if [ "$rc" -ne 0 ]; then
    echo "   the run failed: see the lines above and the activity log in $prefix/log/$server" >&2
    exit "$rc"
  fi
  echo "   output file:  $out ($(wc -l <"$out") lines)"
}
for command in Topology ZoningOnly; do
  probe "$model" "$command" 1
done
echo "   activity log: $(ls -1 "$prefix/log/$server"/fabricprobe_*.log | tail -n 1)"
echo "   agent was run with: $(tail -n 1 "$prefix/agent-args.log")"

# The agent's server reads these files: check them, show their counts, draw them.
view="$prefix/bin/fabricprobe-view"
for command in Topology ZoningOnly; do
  echo
  "$view" --check --summary "$prefix/output/$server/fabricprobe_${command}_${stamp}_1_1.dat"
done
"$view" --svg "$prefix/example-san.svg" "$prefix/output/$server/fabricprobe_Topology_${stamp}_1_1.dat"
"$view" --svg "$prefix/example-san-zoning.svg" "$prefix/output/$server/fabricprobe_ZoningOnly_${stamp}_1_1.dat"
echo
echo "== pictures of the example SAN: $prefix/example-san.svg (topology), $prefix/example-san-zoning.svg (zoning)"

# A day later: host18 moved from port 3 to port 4 of fab-a-core-1, array01's
# port 3 on fab-b-edge-2 went offline, z_host18_array01 lost a member.
for command in Topology ZoningOnly; do
  probe "$PWD/examples/san-changed.json" "$command" 2
done
for command in Topology ZoningOnly; do
  echo
  echo "== what changed ($command):"
  set +e
  "$view" --diff "$prefix/output/$server/fabricprobe_${command}_${stamp}_1_1.dat" \
    "$prefix/output/$server/fabricprobe_${command}_${stamp}_2_1.dat"
  rc=$?
  set -e
  [ "$rc" -eq 1 ] || { echo "fabricprobe-view --diff: exit status $rc, not 1" >&2; exit 1; }
done
echo
echo "== where is host18's port 10:00:00:00:c9:b0:00:01 now?"
"$view" --find 10:00:00:00:c9:b0:00:01 "$prefix/output/$server/fabricprobe_Topology_${stamp}_2_1.dat" \
  "$prefix/output/$server/fabricprobe_ZoningOnly_${stamp}_2_1.dat"

#!/usr/bin/env bash
# Builds, installs into ./demo and runs a real "Topology" and a "ZoningOnly"
# probe of the example SAN (examples/san.json) through the simulator, then
# checks, sums up and draws both output files with fabricprobe-view.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build

prefix="$PWD/demo"
model="$PWD/examples/san.json"
server=demo
build=build/demo

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFABRICPROBE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
cmake --install "$build" --prefix "$prefix" >/dev/null
# The stand-in agent program receives the end-of-job notification.
install -m 0755 "$build/examples/Agent" "$prefix/bin/Agent"
mkdir -p "$prefix/output/$server" "$prefix/input/$server"

stamp=$(date +%Y%m%d%H%M%S)
for command in Topology ZoningOnly; do
  set +e
  "$prefix/bin/fabricsim-run" "$model" -- "$prefix/bin/fabricprobe" \
    -servername "$server" -serverip 192.0.2.1 -serverport 9549 \
    -command "$command" -fabrics allfabrics \
    -jobtimestamp "$stamp" -discoverrequestid 1 -devicejobid 1
  rc=$?
  set -e
  out="$prefix/output/$server/fabricprobe_${command}_${stamp}_1_1.dat"
  echo "== $command probe: exit status $rc"
  echo "   output file:  $out ($(wc -l <"$out") lines)"
  [ "$rc" -eq 0 ] || exit "$rc"
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

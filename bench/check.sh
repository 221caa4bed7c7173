#!/usr/bin/env bash
# Checks the benchmark's tools against the installed probe: generated SANs of
# scales 1 and 2 are probed completely (every switch port, end port, platform
# node and zone of the model is in the output file), and the floor replays
# every request the probe sent, each answered.
# Usage: bench/check.sh STAGE TOOLS_DIR SCRATCH_DIR
set -euo pipefail
stage=$1 tools=$2 scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch/install/bin" "$scratch/install/output/bench"
ln -s "$stage/bin/fabricprobe" "$scratch/install/bin/fabricprobe"
ln -s "$stage/nls" "$scratch/install/nls"
printf '#!/bin/sh\nexit 0\n' >"$scratch/install/bin/Agent"
chmod +x "$scratch/install/bin/Agent"

fail() { echo "FAIL: $*" >&2; exit 1; }
blocks() { grep -c "^\[$1\]$" "$2" || true; }  # the header's column block counts once

for scale in 1 2; do
  model=$scratch/scale$scale.json
  "$tools/bench-genmodel" "$scale" >"$model"
  for command in Topology ZoningOnly; do
    calls=$scratch/calls-$scale-$command.log
    FABRICSIM_LOG=$calls "$stage/bin/fabricsim-run" "$model" -- "$scratch/install/bin/fabricprobe" \
      -servername bench -serverip 192.0.2.1 -serverport 9549 -command "$command" -fabrics allfabrics \
      -jobtimestamp 1 -discoverrequestid 1 -devicejobid 1 || fail "probe $command of scale $scale: status $?"
    out=$scratch/install/output/bench/fabricprobe_${command}_1_1_1.dat
    [ "$(blocks Fabric "$out")" -eq $((scale + 1)) ] || fail "scale $scale $command: fabric blocks"
    if [ "$command" = Topology ]; then
      [ "$(blocks InterconnectElement "$out")" -eq $((8 * scale + 1)) ] || fail "scale $scale: switches"
      [ "$(blocks SwitchPort "$out")" -eq $((512 * scale + 1)) ] || fail "scale $scale: switch ports"
      [ "$(blocks EndPort "$out")" -eq $((256 * scale + 1)) ] || fail "scale $scale: end ports"
      [ "$(blocks Node "$out")" -eq $((320 * scale + 1)) ] || fail "scale $scale: nodes"
    else
      [ "$(blocks ZoneSet "$out")" -eq $((3 * scale + 1)) ] || fail "scale $scale: zone sets"
      [ "$(blocks Zone "$out")" -eq $((600 * scale + 1)) ] || fail "scale $scale: zones"
      [ "$(blocks ZoneMember "$out")" -eq $((2400 * scale + 1)) ] || fail "scale $scale: zone members"
    fi
    replay=$("$stage/bin/fabricsim-run" "$model" -- "$tools/bench-floor" "$calls")
    grep -q "^requests=$(wc -l <"$calls") failed=0 " <<<"$replay" || fail "floor replay of $command: $replay"
  done
done
echo "bench tools: generated SANs probed completely, every request replayed"

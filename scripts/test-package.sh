#!/usr/bin/env bash
# The Debian packages as an administrator meets them: built from a build tree and checked
# by lintian (scripts/package.sh), installed with apt-get, a Topology and a ZoningOnly probe
# of the example SAN run from /opt/fabricprobe and their output files checked with the
# installed viewer and compared with those of the build tree's own installation; then
# purged, after which nothing may be left but the logs and outputs the runs wrote.
# Usage: scripts/test-package.sh [BUILD_DIR]   (default build/test). Needs root or sudo;
# it leaves alone an /opt/fabricprobe it did not install.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/test}
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
fail() { echo "scripts/test-package.sh: $*" >&2; exit 1; }

# Developers share machines: one package test at a time.
exec 9>/tmp/fabricprobe-package-test.lock
flock 9
opt=/opt/fabricprobe
server=packagetest
[ ! -e "$opt" ] || fail "$opt exists already; this test installs its own packages there"

built=$(scripts/package.sh amd64 "$build")
mapfile -t debs <<<"$built"
tmp=$(mktemp -d)
cleanup() {
  $SUDO apt-get purge -y -q fabricprobe fabricprobe-sim >/dev/null 2>&1 || true
  $SUDO rm -rf "$opt/log/$server" "$opt/output/$server"
  $SUDO rmdir "$opt/log" "$opt/output" "$opt" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${debs[@]/#/./}" >/dev/null
dpkg-query -W -f='${Depends}\n' fabricprobe | grep -q 'libhbaapi2 (>=' || fail "fabricprobe does not depend on libhbaapi2"
for page in fabricprobe fabricprobe-view; do
  [ "$(man -w "$page")" = "/usr/share/man/man1/$page.1.gz" ] || fail "man does not find $page(1)"
done
# The packages' files and own directories (not /opt, /usr/share, ...).
mapfile -t owned < <(dpkg -L fabricprobe fabricprobe-sim | while read -r p; do
  [ -d "$p" ] && [[ $p != *fabricprobe* ]] || echo "$p"; done)

# The build tree's own installation writes the files to compare with.
cmake --install "$build" --prefix "$tmp/reference" >/dev/null
probe() {  # PREFIX COMMAND: the agent creates the output directory before it starts the probe
  $SUDO mkdir -p "$1/output/$server"
  (cd "$tmp" && $SUDO "$1/bin/fabricsim-run" "$opt/share/examples/san.json" -- "$1/bin/fabricprobe" \
    -servername "$server" -serverip 192.0.2.1 -serverport 9549 -command "$2" -fabrics allfabrics \
    -jobtimestamp 20260101000000 -discoverrequestid 1 -devicejobid 1) ||
    fail "the $2 probe from $1 ended with status $?"
}
for command in Topology ZoningOnly; do
  probe "$opt" "$command"
  probe "$tmp/reference" "$command"
  name=output/$server/fabricprobe_${command}_20260101000000_1_1.dat
  "$opt/bin/fabricprobe-view" --check --summary "$opt/$name"
  cmp "$opt/$name" "$tmp/reference/$name" || fail "the installed probe wrote another $command file than the build's"
done

# What the runs wrote stays; everything else the packages brought goes.
wrote=$(find "$opt/log" "$opt/output" | sort)
[ -n "$(find "$opt/log/$server" -name 'fabricprobe_*.log')" ] || fail "the runs wrote no activity log"
$SUDO apt-get purge -y -q fabricprobe fabricprobe-sim >/dev/null
left=$(find "$opt" -mindepth 1 | sort)
[ "$left" = "$wrote" ] || fail "left after purge: $(comm -13 <(echo "$wrote") <(echo "$left"))"
for path in "${owned[@]}"; do
  case $path in "$opt" | "$opt/log" | "$opt/output") continue ;; esac
  [ ! -e "$path" ] || fail "left after purge: $path"
done
echo "packages: built, checked by lintian, installed, run, purged: ${debs[*]}"

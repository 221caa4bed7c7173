#!/usr/bin/env bash
# The Debian packages as an administrator meets them: built from a build tree and checked
# by lintian (scripts/package.sh), their files, architecture and Depends checked; for this
# machine's architecture also installed with apt-get, a Topology and a ZoningOnly probe of
# the example SAN run from /opt/fabricprobe and their output files checked with the
# installed viewer and compared with those of the build tree's own installation; then
# purged, after which nothing may be left but the logs and outputs the runs wrote.
# Usage: scripts/test-package.sh amd64|i386 BUILD_DIR   (a built tree of that architecture;
# the test stages pass build/test and build/i386). Installing needs root or sudo. It installs
# into an /opt of its own (an empty tmpfs in a mount namespace of this script's), so an
# /opt/fabricprobe already there (a build installed by hand, what a purge left) is neither in
# its way nor touched; it refuses only when the packages are installed.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 2 ] || { echo "usage: scripts/test-package.sh amd64|i386 BUILD_DIR" >&2; exit 2; }
arch=$1 build=$2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
fail() { echo "scripts/test-package.sh: $*" >&2; exit 1; }
opt=/opt/fabricprobe
apt() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@"; }

native=$(dpkg --print-architecture)
private=fabricprobe-package-test
if [ "$arch" = "$native" ] && [ "$(findmnt -n -o SOURCE /opt 2>/dev/null)" != "$private" ]; then
  # Again, in a mount namespace whose /opt is an empty tmpfs, as the caller; then the real
  # /opt/fabricprobe must be as it was.
  snapshot() { find "$opt" -printf '%p %y %m %s %T@\n' 2>/dev/null | LC_ALL=C sort || true; }
  before=$(snapshot)
  $SUDO unshare --mount true ||
    fail "cannot make a private mount namespace: run as root; in a chroot whose / is no mount point, bind-mount its root directory on itself before entering it (mount --bind DIR DIR; chroot DIR)"
  caller=()
  [ -z "$SUDO" ] || caller=(setpriv --reuid="$(id -u)" --regid="$(id -g)" --init-groups env HOME="$HOME" PATH="$PATH")
  $SUDO unshare --mount sh -c 'mount -t tmpfs -o mode=0755 "$0" /opt && exec "$@"' "$private" \
    "${caller[@]}" "$PWD/scripts/test-package.sh" "$@"
  [ "$(snapshot)" = "$before" ] || fail "$opt outside the test's own /opt was changed"
  exit 0
fi

# Developers share machines: one package test at a time (dist/, the packages' database entries).
exec 9>/tmp/fabricprobe-package-test.lock
flock 9
if [ "$arch" = "$native" ]; then
  installed=$({ dpkg-query -W -f='${Package} ${db:Status-Status}\n' fabricprobe fabricprobe-sim 2>/dev/null || true; } |
    awk '$2 != "not-installed" && $2 != "config-files" { print $1 }' | paste -sd' ')
  [ -z "$installed" ] || fail "the packages $installed are installed on this machine, and this test installs and purges its own: remove them first (apt-get purge fabricprobe fabricprobe-sim; what the probe wrote in $opt/log and $opt/output stays)"
fi

built=$(scripts/package.sh "$arch" "$build")
mapfile -t debs <<<"$built"
[ ${#debs[@]} -eq 2 ] || fail "scripts/package.sh made ${#debs[@]} packages: ${debs[*]}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# What each package holds: its files and empty directories, nothing else.
expected_fabricprobe="opt/fabricprobe/bin/fabricprobe
opt/fabricprobe/bin/fabricprobe-view
opt/fabricprobe/input/
opt/fabricprobe/log/
opt/fabricprobe/nls/en_US/orxna.cat
opt/fabricprobe/output/
usr/share/doc/fabricprobe/changelog.Debian.gz
usr/share/doc/fabricprobe/copyright
usr/share/lintian/overrides/fabricprobe
usr/share/man/man1/fabricprobe-view.1.gz
usr/share/man/man1/fabricprobe.1.gz"
expected_fabricprobe_sim="opt/fabricprobe/bin/fabricsim-run
opt/fabricprobe/lib/libfabricsim-kernel.so
opt/fabricprobe/lib/libfabricsim.so
opt/fabricprobe/share/examples/san.json
usr/share/doc/fabricprobe-sim/changelog.Debian.gz
usr/share/doc/fabricprobe-sim/copyright
usr/share/lintian/overrides/fabricprobe-sim"
# The packages each one depends on (their versions are dpkg-shlibdeps' business).
depends_fabricprobe="libc6 libgcc-s1 libhbaapi2 libstdc++6"
depends_fabricprobe_sim="fabricprobe libc6 libgcc-s1 libstdc++6"
case $arch in amd64) machine="Advanced Micro Devices X86-64" ;; i386) machine="Intel 80386" ;; esac

leaves() {  # the files and empty directories of a package
  dpkg-deb --fsys-tarfile "$1" | tar -t | sed 's|^\./||' | LC_ALL=C sort |
    awk 'NR > 1 && !(prev ~ /\/$/ && index($0, prev) == 1) { print prev } { prev = $0 } END { print prev }' | sed '/^$/d'
}
check_package() {
  local deb=$1 pkg; pkg=$(dpkg-deb -f "$deb" Package)
  local key=${pkg//-/_} root=$tmp/$pkg
  local expected=expected_$key depends=depends_$key
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "$deb is not for $arch"
  local files; files=$(leaves "$deb")
  [ "$files" = "${!expected}" ] || fail "$deb holds other files than it should:
$(diff <(echo "${!expected}") <(echo "$files"))"
  local names; names=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//' | sort | paste -sd' ')
  [ "$names" = "${!depends}" ] || fail "$deb depends on $names, not on ${!depends}"
  dpkg-deb -f "$deb" Depends | tr ',' '\n' | grep -v '^ *fabricprobe ' | grep -qv '(>= ' &&
    fail "$deb has a Depends without a version: $(dpkg-deb -f "$deb" Depends)"
  dpkg-deb -f "$deb" Depends | grep -qF "fabricprobe (= $(dpkg-deb -f "$deb" Version))" ||
    [ "$pkg" = fabricprobe ] || fail "$pkg does not depend on fabricprobe of its own version"
  dpkg-deb -x "$deb" "$root"
  local elf
  while read -r elf; do
    readelf -h "$elf" | grep -q "Machine: *$machine" || fail "$deb: ${elf#"$root"} is not built for $arch"
    ! readelf -d "$elf" | grep -qE 'RPATH|RUNPATH' || fail "$deb: ${elf#"$root"} keeps a run path"
  done < <(find "$root" -type f -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print)
}
for deb in "${debs[@]}"; do check_package "$deb"; done
if [ "$arch" != "$native" ]; then
  echo "packages: built, checked by lintian, files and Depends checked: ${debs[*]}"
  exit 0
fi

server=packagetest
cleanup() {
  apt purge fabricprobe fabricprobe-sim >/dev/null 2>&1 || true
  $SUDO rm -rf "$opt/log/$server" "$opt/output/$server"
  $SUDO rmdir "$opt/log" "$opt/output" "$opt" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
apt install "${debs[@]/#/./}" >/dev/null
for page in fabricprobe fabricprobe-view; do
  [ "$(man -w "$page")" = "/usr/share/man/man1/$page.1.gz" ] || fail "man does not find $page(1)"
done
# The packages' files and own directories (not /opt, /usr/share, ...).
mapfile -t owned < <(dpkg -L fabricprobe fabricprobe-sim | while read -r p; do
  [ -d "$p" ] && [[ $p != *fabricprobe* ]] || echo "$p"; done)

# The build tree's own installation writes the files to compare with. The agent's program
# (bin/Agent) is in neither tree: the shell that should run it says so on standard error, the
# one line README shows beside its example.
cmake --install "$build" --prefix "$tmp/reference" >/dev/null
probe() {  # PREFIX COMMAND: the agent creates the output directory before it starts the probe
  $SUDO mkdir -p "$1/output/$server"
  (cd "$tmp" && $SUDO "$1/bin/fabricsim-run" "$opt/share/examples/san.json" -- "$1/bin/fabricprobe" \
    -servername "$server" -serverip 192.0.2.1 -serverport 9549 -command "$2" -fabrics allfabrics \
    -jobtimestamp 20260101000000 -discoverrequestid 1 -devicejobid 1 2>"$tmp/stderr") ||
    fail "the $2 probe from $1 ended with status $?: $(cat "$tmp/stderr")"
  [ "$(cat "$tmp/stderr")" = "/bin/sh: 1: $1/bin/Agent: not found" ] ||
    fail "the $2 probe from $1 wrote on standard error: $(cat "$tmp/stderr")"
}
for command in Topology ZoningOnly; do
  probe "$opt" "$command"
  probe "$tmp/reference" "$command"
  name=output/$server/fabricprobe_${command}_20260101000000_1_1.dat
  "$opt/bin/fabricprobe-view" --check "$opt/$name"
  cmp "$opt/$name" "$tmp/reference/$name" || fail "the installed probe wrote another $command file than the build's"
done

# What the runs wrote stays; everything else the packages brought goes.
wrote=$(find "$opt/log" "$opt/output" | sort)
[ -n "$(find "$opt/log/$server" -name 'fabricprobe_*.log')" ] || fail "the runs wrote no activity log"
apt purge fabricprobe fabricprobe-sim >/dev/null
left=$(find "$opt" -mindepth 1 | sort)
[ "$left" = "$wrote" ] || fail "left after purge: $(comm -13 <(echo "$wrote") <(echo "$left"))"
for path in "${owned[@]}"; do
  case $path in "$opt" | "$opt/log" | "$opt/output") continue ;; esac
  [ ! -e "$path" ] || fail "left after purge: $path"
done
echo "packages: built, checked by lintian, files and Depends checked, installed, run, purged: ${debs[*]}"

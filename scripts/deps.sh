#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need.
# Usage: scripts/deps.sh [build|test|package|vm|i386 SYSROOT]   (test adds everything the whole
# suite runs, its vm and i386 stages included, in one apt transaction; package what
# scripts/package.sh runs, vm what scripts/test-vm.sh runs, i386 what the 32-bit build and its
# tests need, with the i386 SNIA HBA API unpacked into SYSROOT)
set -euo pipefail

mode=${1:-build}
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

# graphviz: fabricprobe-view draws its SVG pictures with the dot program.
want=(cmake make g++ pkg-config libhbaapi-dev nlohmann-json3-dev libc-bin graphviz)
if [ "$mode" = "test" ]; then
  # libhbalinux2: the stock Linux HBA library the kernel-mode tests run the probe through.
  # fcoe-utils: real clients (fcnsq, fcping, fcrls) the kernel-mode simulation is tested with.
  # dpkg-dev, lintian, man-db: the suite builds, checks and installs the Debian packages.
  want+=(libgtest-dev libgmock-dev faketime tshark clang libclang-rt-14-dev libhbalinux2 fcoe-utils
         dpkg-dev lintian man-db)
fi
if [ "$mode" = "package" ]; then
  want+=(dpkg-dev lintian)
fi
# The whole suite's packages come in one update and one install: each further apt run costs
# the suite another index download and another round of triggers.
if [ "$mode" = "vm" ] || [ "$mode" = "test" ]; then
  # The virtual machine of scripts/test-vm.sh: qemu, a busybox initrd with the kernel's modules
  # (cpio, kmod's depmod, xz for the kernel image), and inside it the host's libhbalinux and
  # fcoe-utils; tshark decodes what crossed its links.
  want+=(qemu-system-x86 busybox-static cpio kmod xz-utils libhbalinux2 fcoe-utils tshark)
fi
if [ "$mode" = "i386" ] || [ "$mode" = "test" ]; then
  [ "$mode" = "test" ] || [ $# -ge 2 ] || { echo "usage: scripts/deps.sh i386 SYSROOT" >&2; exit 2; }
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  # The multilib compiler; libstdc++ where the 32-bit loader finds it without ld.so.cache;
  # what the tests link (GoogleTest) and preload (libfaketime) in its i386 build.
  want+=(g++-multilib libstdc++6:i386 libgtest-dev:i386 libgmock-dev:i386 libfaketime:i386 file)
fi

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
[ "$mode" = "i386" ] || exit 0

# Debian's i386 SNIA HBA API cannot be installed beside the host's (both use /usr/lib), so
# it is unpacked into SYSROOT, which cmake/i386-linux-gnu.cmake builds and runs against.
sysroot=$2
if [ ! -e "$sysroot/usr/lib/libHBAAPI.so.2" ] || [ ! -e "$sysroot/usr/include/hbaapi.h" ]; then
  mkdir -p "$sysroot/debs"
  download() {
    (cd "$sysroot/debs" && apt-get download -q -o APT::Sandbox::User="$(id -un)" libhbaapi2:i386 libhbaapi-dev:i386)
  }
  download || { $SUDO apt-get update -q && download; }
  for deb in "$sysroot"/debs/*.deb; do dpkg-deb -x "$deb" "$sysroot"; done
fi
# The same for the kernel-mode tests: i386 libhbalinux with the libraries it loads.
if [ ! -e "$sysroot/usr/lib/libhbalinux.so.2" ]; then
  mkdir -p "$sysroot/debs-kernel"
  download_kernel() {
    (cd "$sysroot/debs-kernel" &&
      apt-get download -q -o APT::Sandbox::User="$(id -un)" libhbalinux2:i386 libpciaccess0:i386 zlib1g:i386)
  }
  download_kernel || { $SUDO apt-get update -q && download_kernel; }
  for deb in "$sysroot"/debs-kernel/*.deb; do dpkg-deb -x "$deb" "$sysroot"; done
fi

# A kernel without 32-bit support (ia32_emulation off) runs i386 programs through qemu,
# registered with binfmt_misc for the i386 ELF header: F opens qemu now, so that it also
# serves the mount namespaces of fabricsim-run; P keeps each program's argv[0].
runs_i386() { /usr/lib/i386-linux-gnu/ld-linux.so.2 --version >/dev/null 2>&1; }
if ! runs_i386; then
  dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q "ok installed" ||
    $SUDO apt-get install -y -q --no-install-recommends qemu-user-static
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ ! -e "$binfmt/qemu-i386" ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:PF' |
      $SUDO tee "$binfmt/register" >/dev/null
  fi
  runs_i386 || { echo "scripts/deps.sh: this machine runs no i386 programs, natively or through qemu" >&2; exit 1; }
fi

#!/usr/bin/env bash
# Builds the Debian packages into dist/ from the CMake install components: fabricprobe
# (component probe) and fabricprobe-sim (component sim), both under /opt/fabricprobe, then
# checks them with lintian (fails on an error).
# Usage: scripts/package.sh [amd64|i386] [BUILD_DIR]
#   BUILD_DIR: an already-built tree of that architecture to package (the test stages pass
#   theirs); without it a release build with Debian's hardening flags is made in
#   build/package-<arch>.
# The version is the top entry of packaging/changelog (CMakeLists.txt reads it from there);
# a build tree configured at another version is refused.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
umask 022

arch=${1:-amd64}
case $arch in amd64|i386) ;; *) echo "usage: scripts/package.sh [amd64|i386] [BUILD_DIR]" >&2; exit 2 ;; esac
die() { echo "scripts/package.sh: $*" >&2; exit 1; }
scripts/deps.sh package

build=${2:-}
if [ -z "$build" ]; then
  build=build/package-$arch
  toolchain=()
  if [ "$arch" = i386 ]; then
    scripts/deps.sh i386 "$repo/$build/sysroot"
    toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/i386-linux-gnu.cmake -DFABRICPROBE_I386_SYSROOT="$repo/$build/sysroot")
  fi
  flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_HOST_ARCH=$arch dpkg-buildflags --get "$1"; }
  CFLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" CXXFLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" LDFLAGS=$(flags LDFLAGS) \
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release "${toolchain[@]}" \
      -DFABRICPROBE_BUILD_TESTS=OFF -DFABRICPROBE_BUILD_BENCH=OFF
fi
cmake --build "$build" -j"$(nproc)" >/dev/null
build=$(realpath "$build")
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }

version=$(dpkg-parsechangelog -l packaging/changelog -S Version)
[ "${version%-*}" = "$(cache CMAKE_PROJECT_VERSION)" ] ||
  die "packaging/changelog is at $version, the build tree $build at $(cache CMAKE_PROJECT_VERSION)"
# The same packages from the same build: file times no later than the changelog entry.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l packaging/changelog -S Timestamp)
export SOURCE_DATE_EPOCH

# Lays out one package's tree: its install component, its documentation, the man pages of
# its programs and its lintian overrides.
lay_out() {
  local pkg=$1 component=$2 root=$work/debian/$1
  DESTDIR=$root cmake --install "$build" --component "$component" --prefix /opt/fabricprobe --strip >/dev/null
  local doc=$root/usr/share/doc/$pkg
  install -D -m644 packaging/copyright "$doc/copyright"
  gzip -9n <packaging/changelog >"$doc/changelog.Debian.gz"
  install -D -m644 "packaging/$pkg.lintian-overrides" "$root/usr/share/lintian/overrides/$pkg"
  local program
  for program in "$root"/opt/fabricprobe/bin/*; do
    local page=packaging/man/$(basename "$program").1
    [ -e "$page" ] || continue
    mkdir -p "$root/usr/share/man/man1"
    sed "s/@VERSION@/${version%-*}/g" "$page" | gzip -9n >"$root/usr/share/man/man1/$(basename "$page").gz"
  done
}

# The ELF files of a tree, without the run paths a build tree may give them (the i386
# test build points at its private SNIA library): installed, they use the system's.
elf_files() { find "$1" -type f -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print; }
drop_run_paths() {
  echo 'foreach(f ${FILES})
          file(RPATH_REMOVE FILE "${f}")
        endforeach()' >"$work/drop-run-paths.cmake"
  cmake -DFILES="$(elf_files "$1" | paste -sd';')" -P "$work/drop-run-paths.cmake" >/dev/null
}

# Depends from the binaries; the i386 SNIA library is found, with its shlibs, in the
# sysroot the i386 build ran against.
shlibdeps() {
  local pkg=$1 search=()
  local sysroot; sysroot=$(cache FABRICPROBE_I386_SYSROOT)
  if [ "$arch" = i386 ] && [ -n "$sysroot" ]; then
    [ -e "$sysroot/DEBIAN/shlibs" ] || dpkg-deb -e "$sysroot"/debs/libhbaapi2_*_i386.deb "$sysroot/DEBIAN"
    search=(-S"$sysroot")
  fi
  (cd "$work" && DEB_HOST_ARCH=$arch dpkg-shlibdeps -T"$pkg.substvars" "${search[@]}" $(elf_files "debian/$pkg"))
}

work=$build/debian-packages
rm -rf "$work" && mkdir -p "$work/debian" dist
ln -s "$repo/packaging/control" "$repo/packaging/changelog" "$work/debian/"
# Every install rule belongs to a package.
DESTDIR=$work/unpackaged cmake --install "$build" --component Unspecified >/dev/null
[ ! -e "$work/unpackaged" ] || die "installed outside the packages' components: $(cd "$work/unpackaged" && find . -type f)"

# Packages reach dist/ only once lintian has passed them.
debs=()
for entry in fabricprobe:probe fabricprobe-sim:sim; do
  pkg=${entry%%:*}
  lay_out "$pkg" "${entry#*:}"
  drop_run_paths "$work/debian/$pkg"
  mkdir -p "$work/debian/$pkg/DEBIAN"
  shlibdeps "$pkg"
  (cd "$work/debian/$pkg" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
  (cd "$work" && DEB_HOST_ARCH=$arch dpkg-gencontrol -p"$pkg" -P"debian/$pkg" -T"$pkg.substvars" -ffiles)
  deb=${pkg}_${version}_${arch}.deb
  rm -f "dist/$deb"
  dpkg-deb --root-owner-group -Zxz --build "$work/debian/$pkg" "$work/$deb" >/dev/null
  debs+=("$deb")
done

(cd "$work" && lintian --fail-on error --tag-display-limit 0 "${debs[@]}") >&2 || die "lintian found errors"
for deb in "${debs[@]}"; do
  mv "$work/$deb" dist/
  echo "dist/$deb"
done

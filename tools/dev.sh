#!/usr/bin/env bash
# One entry point for building, trying and testing the package on Debian 12
# or Debian 13; it installs whatever it needs with apt-get.
#   tools/dev.sh example          build, run the example program
#   tools/dev.sh test             build, run every test suite (QIRVEN_CROSS names
#                                 the architectures it cross-tests; s390x i386 when unset)
#   tools/dev.sh package [ARCH]   build dist/qirven_<version>_<ARCH>.deb with dpkg-buildpackage
#                                 (this machine's architecture by default)
#   tools/dev.sh cross ARCH...    cross-build and test under qemu: amd64 arm64 armel armhf
#                                 i386 loong64 mips64el ppc64el riscv64 s390x, or all
#   tools/dev.sh long             10 million fuzzed calls, a million values and
#                                 texts compared with the C library
#   tools/dev.sh bench            build and run the benchmarks
#   tools/dev.sh windows          build the zips and installers for 64- and 32-bit Windows
#                                 in dist/ and test them under Wine (Debian 13 or later);
#                                 the 32-bit ones with i386 added, under qemu-i386 where
#                                 the machine runs no 32-bit code (--emulate-i386: always);
#                                 with --untested, only build them
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
allarchs=(amd64 arm64 armel armhf i386 loong64 mips64el ppc64el riscv64 s390x)

# Names that exist on Debian 12 and Debian 13 alike (no version suffixes).
packages=(cmake g++ make regina-rexx libregina3-dev googletest libgtest-dev libbenchmark-dev
          valgrind clang libclang-rt-dev locales binutils pkgconf dpkg-dev debhelper man-db lintian)

# shellcheck source=tools/common.sh
source "$root/tools/common.sh"

deps() {
  need "${packages[@]}"
  # A decimal-comma locale, for the tests that prove results do not depend on it.
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "== generating the de_DE.UTF-8 locale"
    sudo_ sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    sudo_ locale-gen >/dev/null
  fi
}

build() {  # build DIR [cmake options...] [--target T]
  local dir=$1; shift
  local target=()
  if [ "${*: -2:1}" = "--target" ]; then target=(--target "${*: -1}"); set -- "${@:1:$#-2}"; fi
  local out
  out=$(cmake -S "$root" -B "$dir" -DQIRVEN_WERROR=ON "$@" 2>&1) || { echo "$out"; return 1; }
  # Which Regina told its add-on folder, and where the module goes.
  [ "$dir" = build ] && sed -n 's/^-- \(Regina .*\|The module installs .*\)/  \1/p' <<<"$out"
  cmake --build "$dir" -j"$(nproc)" "${target[@]}"
}

# The Debian release whose packages an architecture's sysroot comes from:
# this system's, unless it lacks the architecture (riscv64 came with Debian
# 13, loong64 is in unstable only, mips64el left after Debian 12).
release_of() {
  local mine
  mine=$(. /etc/os-release && echo "${VERSION_CODENAME:-sid}")
  case "$1:$mine" in
    riscv64:bookworm) echo trixie ;;
    loong64:*) echo sid ;;
    mips64el:trixie|mips64el:forky|mips64el:sid) echo bookworm ;;
    *) echo "$mine" ;;
  esac
}

# The Debian mirror this system's apt uses.
mirrorurl() {
  cat /etc/apt/sources.list /etc/apt/sources.list.d/* 2>/dev/null | grep -oE 'https?://[^ ]+/debian/?( |$)' |
    head -1 | tr -d ' ' || true
}

# privateapt DIR ARCH LINE: an apt of its own in DIR that reads only the
# sources LINE, so that this system's package setup stays as it is; sets
# aptopts for apt-get and apt-cache. Valid-Until: unstable's index on this
# mirror is a dated snapshot.
privateapt() {
  rm -rf "$1" && mkdir -p "$1/etc/apt/preferences.d" "$1/etc/apt/apt.conf.d" "$1/var/lib/apt/lists/partial" \
    "$1/var/lib/dpkg"
  touch "$1/var/lib/dpkg/status"
  echo "$3" >"$1/etc/apt/sources.list"
  aptopts=(-o "Dir=$1" -o "Dir::State::status=$1/var/lib/dpkg/status" -o "APT::Architecture=$2"
           -o "APT::Architectures::=$2" -o Acquire::Check-Valid-Until=false -o "APT::Sandbox::User=$(id -un)" -qq)
  apt-get "${aptopts[@]}" update
}

# sysroot ARCH GNUTYPE MULTIARCH DIR: the target's Regina, C and C++ run-time
# libraries, unpacked from its Debian packages into DIR; the packages stay in
# DIR.debs.
sysroot() {
  local arch=$1 gnu=$2 multiarch=$3 dir=$4
  [ -x "$dir/usr/bin/regina" ] && return
  local debs="$dir.debs" release p missing=()
  release=$(release_of "$arch")
  rm -rf "$dir" "$debs" && mkdir -p "$dir" "$debs"
  echo "  $arch's packages from Debian $release"
  privateapt "$dir.apt" "$arch" \
    "deb [arch=$arch signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $(mirrorurl) $release main"
  for p in libregina3-dev libregina3 regina-rexx libc6 libstdc++6 libgcc-s1 libtinfo6 libcrypt1; do
    (cd "$debs" && apt-get "${aptopts[@]}" download "$p" 2>/dev/null) || missing+=("$p")
  done
  for deb in "$debs"/*.deb; do dpkg-deb -x "$deb" "$dir"; done
  [ -x "$dir/usr/bin/regina" ] || { echo "$arch's regina could not be downloaded"; return 1; }
  # Absolute links (mips64el's /lib64/ld.so.1) must point into the sysroot.
  find "$dir" -type l -lname '/*' -print0 | while IFS= read -r -d '' link; do
    ln -sfn "$dir$(readlink "$link")" "$link"
  done
  # Releases whose packages ship only /usr/lib need the merged-/usr links.
  for d in lib lib32 lib64; do
    if [ -d "$dir/usr/$d" ] && [ ! -e "$dir/$d" ]; then ln -s "usr/$d" "$dir/$d"; fi
  done
  # A mirror can lack the newest C library for an architecture: the cross
  # compiler's own copy of it (the same release's glibc) stands in.
  if [ ${#missing[@]} -gt 0 ]; then
    local interp
    echo "  not downloadable for $arch: ${missing[*]}; using /usr/$gnu/lib of the cross compiler instead"
    mkdir -p "$dir/usr/lib/$multiarch"
    cp -an "/usr/$gnu/lib/"*.so* "$dir/usr/lib/$multiarch/"
    interp=$(readelf -l "$dir/usr/bin/regina" | sed -n 's/.*interpreter: \(.*\)]/\1/p')
    mkdir -p "$dir$(dirname "$interp")"
    [ -e "$dir$interp" ] || cp "/usr/$gnu/lib/$(basename "$interp")" "$dir$interp"
  fi
}

# hascross ARCH: whether this release has Debian's cross compiler for ARCH.
hascross() {
  apt-cache show "g++-$(dpkg-architecture -a"$1" -qDEB_HOST_GNU_TYPE 2>/dev/null)" >/dev/null 2>&1
}

# target ARCH: sets gnu, multiarch, qemu and sysroot for another
# architecture, with its cross compiler and its sysroot made ready.
target() {
  case "$1" in
    amd64) qemu=x86_64 ;; arm64) qemu=aarch64 ;; armel|armhf) qemu=arm ;; i386) qemu=i386 ;;
    mips64el) qemu=mips64el ;; ppc64el) qemu=ppc64le ;; s390x) qemu=s390x ;;
    riscv64) qemu=riscv64 ;; loong64) qemu=loongarch64 ;;
    *) echo "unknown architecture $1 (${allarchs[*]})"; return 2 ;;
  esac
  gnu=$(dpkg-architecture -a"$1" -qDEB_HOST_GNU_TYPE 2>/dev/null)
  multiarch=$(dpkg-architecture -a"$1" -qDEB_HOST_MULTIARCH 2>/dev/null)
  hascross "$1" || { echo "this release has no cross compiler for $1; loong64's came with Debian 13"; return 1; }
  need "g++-$gnu" qemu-user googletest
  sysroot="$root/build-cross/sysroot-$1"
  sysroot "$1" "$gnu" "$multiarch" "$sysroot"
}

# configure ARCH DIR [cmake options...]: a build tree for ARCH, cross-built
# with Debian's cross compiler against the target's own Regina unless ARCH is
# this machine's.
configure() {
  local arch=$1 dir=$2; shift 2
  local gnu multiarch qemu sysroot
  if [ "$arch" = "$(dpkg --print-architecture)" ]; then
    cmake -S "$root" -B "$dir" -DQIRVEN_WERROR=ON "$@" >/dev/null
    return
  fi
  target "$arch"
  cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/cross.cmake" -DQIRVEN_TRIPLET="$gnu" \
    -DQIRVEN_MULTIARCH="$multiarch" -DQIRVEN_SYSROOT="$sysroot" -DQIRVEN_QEMU="qemu-$qemu" -DQIRVEN_WERROR=ON "$@" >/dev/null
}

# Cross-builds for each architecture given and runs the unit tests, the
# differential checks, the REXX case files and the documentation's examples
# under qemu-user with that architecture's own regina.
cross() {
  local arch failed=()
  if [ "$*" = all ]; then  # all that this system has a cross compiler for
    set --
    for arch in "${allarchs[@]}"; do
      if [ "$arch" = "$(dpkg --print-architecture)" ] || hascross "$arch"; then
        set -- "$@" "$arch"
      else
        echo "== $arch: no cross compiler in this release, left out"
      fi
    done
  fi
  for arch in "$@"; do
    if [ "$arch" = "$(dpkg --print-architecture)" ]; then
      echo "== $arch: build, then the same tests natively"
    else
      echo "== $arch: cross-build, then the tests under qemu with $arch's own regina"
    fi
    local dir="$root/build-cross/$arch"
    configure "$arch" "$dir" -DQIRVEN_TESTS=ON
    cmake --build "$dir" -j"$(nproc)" >/dev/null
    if (cd "$dir" && QIRVEN_DIFF_SAMPLES=200000 ctest --no-tests=error -j"$(nproc)" -E '^Threads\.' --output-on-failure \
        >"$dir/ctest.log" 2>&1); then
      grep "tests passed" "$dir/ctest.log"
    else
      grep -E -A12 "Failure|FAIL|\*\*\*|tests passed" "$dir/ctest.log" | head -80
      failed+=("$arch")
    fi
  done
  if [ ${#failed[@]} -gt 0 ]; then echo "== tests failed on: ${failed[*]}"; return 1; fi
}

# package [ARCH]: dist/qirven_<version>_<ARCH>.deb, built by dpkg-buildpackage
# from a copy of the working tree (source and binary for this machine's
# architecture). Another architecture's build-dependencies cannot be
# installed beside this one's (libregina3 is not Multi-Arch), so it is
# cross-built with the cross profile against that architecture's sysroot,
# through cmake/cross.cmake, and dpkg-shlibdeps reads its library packages.
package() {
  local arch=${1:-$(dpkg --print-architecture)}
  local dir="$root/build-package/$arch"
  rm -rf "$dir" "$root/dist" && mkdir -p "$dir/qirven" "$root/dist"
  git -C "$root" ls-files -z -co --exclude-standard | while IFS= read -r -d '' f; do
    [ -e "$root/$f" ] && printf '%s\0' "$f"; done | tar -C "$root" --null -T - -cf - | tar -C "$dir/qirven" -xf -
  if [ "$arch" = "$(dpkg --print-architecture)" ]; then
    (cd "$dir/qirven" && dpkg-buildpackage -us -uc) >"$dir/build.log" 2>&1 || { tail -40 "$dir/build.log"; return 1; }
  else
    local gnu multiarch qemu sysroot deb trees=()
    target "$arch" >&2
    mkdir -p "$dir/trees"
    for deb in "$sysroot.debs"/*.deb; do
      dpkg-deb -R "$deb" "$dir/trees/$(basename "$deb" .deb)" && trees+=("$dir/trees/$(basename "$deb" .deb)")
    done
    (cd "$dir/qirven" && CMAKE_TOOLCHAIN_FILE="$root/cmake/cross.cmake" QIRVEN_TRIPLET="$gnu" \
      QIRVEN_MULTIARCH="$multiarch" QIRVEN_SYSROOT="$sysroot" QIRVEN_QEMU="qemu-$qemu" \
      QIRVEN_TARGET_TREES="${trees[*]}" DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}" \
      dpkg-buildpackage -a"$arch" -Pcross,nocheck -d -us -uc -b) >"$dir/build.log" 2>&1 ||
      { tail -40 "$dir/build.log"; return 1; }
  fi
  cp "$dir"/qirven_*_"$arch".deb "$root/dist/"
  echo "$root/dist/$(basename "$dir"/qirven_*_"$arch".deb)"
}

# Builds the .deb, checks it with lintian, installs it, runs the installed
# example with plain regina from / and no environment, opens the manual and
# removes the package again.
debian_package() (
  echo "== Debian package"
  local deb
  deb=$(DEB_BUILD_OPTIONS=nocheck package | tail -1)  # the tests ran above
  # Debian 12's lintian knows Standards-Version 4.6.2 at most; the package
  # declares unstable's.
  lintian --pedantic --fail-on error,warning --suppress-tags newer-standards-version \
    "$root/build-package/$(dpkg --print-architecture)"/qirven_*.changes 2>/dev/null
  dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Depends\):/  &/p'
  sudo_ dpkg -i "$deb" >/dev/null
  trap 'sudo_ dpkg -r qirven >/dev/null' EXIT
  runinstalled /usr/share/doc/qirven/examples/tour.rexx
  man -w 3 qirven >/dev/null
  man 3 qirven 2>/dev/null | grep -q "rxcalcsqrt" || { echo "man 3 qirven did not open"; return 1; }
  echo "  $deb: no lintian error or warning; installed, ran the example from / with plain regina," \
       "opened man 3 qirven, removed it"
)

# Runs an installed example with plain regina from / and no environment.
runinstalled() {
  local out
  out=$(cd / && env -i PATH=/usr/bin:/bin regina "$1")
  grep -q "The package is dropped again" <<<"$out" || { echo "$out"; echo "the installed package did not run"; return 1; }
}

# cmake --install into the system, run there by plain regina, then removed.
cmake_install() (
  echo "== cmake --install into Regina's add-on folder"
  sudo_ cmake --install build >/dev/null
  trap 'while read -r file; do sudo_ rm -f "$file"; done <build/install_manifest.txt' EXIT
  runinstalled "$(grep '/examples/tour.rexx$' build/install_manifest.txt)"
  echo "  $(grep 'libqirven.so$' build/install_manifest.txt) found by plain regina from /; removed again"
)

# origsource PACKAGE DIR: Debian 13's original tarball of PACKAGE, fetched
# into DIR by apt's own downloader and checked against the source index (this
# mirror serves the tarballs but not the .dsc files that apt-get source needs).
origsource() {
  local record directory sha256 tarball
  record=$(apt-cache "${aptopts[@]}" showsrc "$1" | sed '/^$/q')
  directory=$(sed -n 's/^Directory: //p' <<<"$record")
  read -r sha256 _ tarball < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/p' <<<"$record" | grep '\.orig\.tar')
  [ -f "$2/$tarball" ] || /usr/lib/apt/apt-helper download-file "$(mirrorurl)/$directory/$tarball" "$2/$tarball" \
    "SHA256:$sha256" >/dev/null
  echo "$2/$tarball"
}

case "${1:-}" in
  example)
    deps
    build build -DQIRVEN_TESTS=OFF
    REGINA_ADDON_DIR="$root/build/lib" regina "$root/examples/tour.rexx"
    ;;
  test)
    deps
    echo "== normal build"
    build build -DQIRVEN_TESTS=ON
    (cd build && ctest --no-tests=error --output-on-failure -j"$(nproc)")
    cmake_install
    echo "== AddressSanitizer and UndefinedBehaviorSanitizer build"
    build build-sanitize -DQIRVEN_SANITIZE=ON -DQIRVEN_TESTS=ON
    (cd build-sanitize && ctest --no-tests=error --output-on-failure -j"$(nproc)")
    debian_package
    echo "== ThreadSanitizer: every handler from 8 threads"
    build build-tsan -DQIRVEN_TSAN=ON -DQIRVEN_TESTS=ON --target stress_tests
    TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/stress_tests --gtest_filter='Threads.*'
    echo "== libFuzzer: a bounded pass from the seed corpus"
    CXX=clang++ build build-fuzz -DQIRVEN_FUZZ=ON
    (cd build-fuzz && ctest --no-tests=error --output-on-failure)
    echo "== instructions per call, counted by callgrind"
    build build-bench -DQIRVEN_TESTS=OFF -DQIRVEN_BENCH=ON -DCMAKE_BUILD_TYPE=Release
    REGINA_ADDON_DIR="$root/build-bench/lib" bench/callgrind.sh bench/cases.txt 2000 --check
    # shellcheck disable=SC2086
    cross ${QIRVEN_CROSS:-s390x i386}
    ;;
  package)
    deps
    shift
    package "$@" | tail -1
    ;;
  cross)
    deps
    shift
    cross "${@:-s390x}"
    ;;
  long)
    deps
    build build -DQIRVEN_TESTS=ON
    echo "== differential checks: 1,000,000 values x 25 precisions, 1,000,000 texts"
    QIRVEN_DIFF_SAMPLES=1000000 build/tests/stress_tests --gtest_filter='Differential.*'
    echo "== fuzzing: 10,000,000 executions"
    CXX=clang++ build build-fuzz -DQIRVEN_FUZZ=ON
    mkdir -p build-fuzz/corpus
    build-fuzz/tests/fuzz/fuzz_handlers -runs=10000000 -print_final_stats=1 build-fuzz/corpus tests/fuzz/seeds
    ;;
  windows)
    # shellcheck source=tools/windows.sh
    source "$root/tools/windows.sh"
    windows "$root" "${2:-}"
    ;;
  bench)
    deps
    build build-bench -DQIRVEN_TESTS=OFF -DQIRVEN_BENCH=ON -DCMAKE_BUILD_TYPE=Release
    (cd build-bench && cmake --build . --target bench-all)
    ;;
  *)
    sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac

#!/usr/bin/env bash
# One entry point for building, trying and testing the package on Debian 12.
#   tools/dev.sh example   install what is missing, build, run the example program
#   tools/dev.sh test      install what is missing, build, run every test suite
#   tools/dev.sh bench     build and run the benchmarks
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

packages=(cmake g++ make regina-rexx libregina3-dev googletest libgtest-dev libbenchmark-dev
          valgrind clang libclang-rt-14-dev locales binutils)

sudo_() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

deps() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    sudo_ apt-get update -qq
    sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
  # A decimal-comma locale, for the tests that prove results do not depend on it.
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "== generating the de_DE.UTF-8 locale"
    sudo_ sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    sudo_ locale-gen >/dev/null
  fi
}

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S "$root" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
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
    build build
    (cd build && ctest --output-on-failure -j"$(nproc)")
    echo "== AddressSanitizer and UndefinedBehaviorSanitizer build"
    build build-sanitize -DQIRVEN_SANITIZE=ON
    (cd build-sanitize && ctest --output-on-failure -j"$(nproc)")
    ;;
  bench)
    deps
    build build-bench -DQIRVEN_TESTS=OFF -DQIRVEN_BENCH=ON -DCMAKE_BUILD_TYPE=Release
    (cd build-bench && cmake --build . --target bench-all)
    ;;
  *)
    sed -n '2,5p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac

#!/usr/bin/env bash
# One entry point for building, trying and testing the package on Debian 12.
#   tools/dev.sh example   install what is missing, build, run the example program
#   tools/dev.sh test      install what is missing, build, run every test suite
#   tools/dev.sh long      the long robustness runs: 10 million fuzzed calls,
#                          a million values and texts compared with the C library
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

build() {  # build DIR [cmake options...] [--target T]
  local dir=$1; shift
  local target=()
  if [ "${*: -2:1}" = "--target" ]; then target=(--target "${*: -1}"); set -- "${@:1:$#-2}"; fi
  cmake -S "$root" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)" "${target[@]}"
}

# Builds the .deb, installs it, runs the installed example with plain regina
# from an unrelated folder and no environment, opens the manual, removes it.
debian_package() (
  echo "== Debian package"
  rm -f build/qirven_*.deb
  (cd build && cpack -G DEB >/dev/null)
  local deb
  deb=$(ls build/qirven_*.deb)
  dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Depends\|Maintainer\):/  &/p'
  sudo_ dpkg -i "$deb" >/dev/null
  trap 'sudo_ dpkg -r qirven >/dev/null' EXIT
  local out
  out=$(cd / && env -i PATH=/usr/bin:/bin regina /usr/share/doc/qirven/tour.rexx)
  grep -q "The package is dropped again" <<<"$out" || { echo "$out"; echo "the installed package did not run"; return 1; }
  man -w 3 qirven >/dev/null
  man 3 qirven 2>/dev/null | grep -q "rxcalcsqrt" || { echo "man 3 qirven did not open"; return 1; }
  echo "  installed $deb, ran the example from / with plain regina, opened man 3 qirven, removed it"
)

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
    debian_package
    echo "== ThreadSanitizer: every handler from 8 threads"
    build build-tsan -DQIRVEN_TSAN=ON --target stress_tests
    TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/stress_tests --gtest_filter='Threads.*'
    echo "== libFuzzer: a bounded pass from the seed corpus"
    CXX=clang++ build build-fuzz -DQIRVEN_FUZZ=ON
    (cd build-fuzz && ctest --output-on-failure)
    ;;
  long)
    deps
    build build
    echo "== differential checks: 1,000,000 values x 24 precisions, 1,000,000 texts"
    QIRVEN_DIFF_SAMPLES=1000000 build/tests/stress_tests --gtest_filter='Differential.*'
    echo "== fuzzing: 10,000,000 executions"
    CXX=clang++ build build-fuzz -DQIRVEN_FUZZ=ON
    mkdir -p build-fuzz/corpus
    build-fuzz/tests/fuzz/fuzz_handlers -runs=10000000 -print_final_stats=1 build-fuzz/corpus tests/fuzz/seeds
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

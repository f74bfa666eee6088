#!/usr/bin/env bash
# Instructions per call through the real interpreter, counted by callgrind:
# each case runs n and 2n times and the difference is divided by n, so the
# interpreter's start-up and the package's loading cancel out exactly.
# Each package call is set beside its same-shape floor: a bench-only
# function with a name of the same length, called with the same arguments,
# that does nothing but copy a fixed text of the same length
# (bench/emptyfunc.cpp), and beside its routine: the C library's function on
# the same value, with the angle conversion, counted alone in a loop
# (bench/routine.cpp, less the same loop without it). What is left, the call
# less its floor and its routine, is what the package itself adds: its own.
# Usage: bench/callgrind.sh CASESFILE [N [--check]]
#   REGINA_ADDON_DIR must name the modules; the routine program is
#   $REGINA_ADDON_DIR/../bench/routine unless QIRVEN_ROUTINE names another.
# With --check it fails when a call with one argument adds more than ONEARG
# instructions of its own, or any other package call more than ANY: the
# figures of docs/performance.md, which no change may give back.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cases=$1
n=${2:-20000}
check=${3:-}
routine=${QIRVEN_ROUTINE:-$REGINA_ADDON_DIR/../bench/routine}
ONEARG=149
ANY=177

collected() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 | sed -n 's/.*Collected : \([0-9]*\).*/\1/p'; }
perrun() {  # perrun N COMMAND...: instructions per unit of work, N units against 2N
  local n=$1 one two
  shift
  one=$(collected "${@//@N@/$n}")
  two=$(collected "${@//@N@/$((2 * n))}")
  echo $(((two - one) / n))
}
count() { perrun "$1" regina "$here/calls.rexx" loop @N@ "$2"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
# The arguments of a call as the routine program takes them: rxcalcsin(100, , 'G') is 100 '' G.
arguments() {
  local inner=${1#*(} part
  inner=${inner%)}
  IFS=, read -ra parts <<<"$inner,"
  for part in "${parts[@]}"; do
    part=${part//[ \'\"]/}
    printf '%s\n' "$part"
  done
}

looponly=$(perrun "$n" "$routine" @N@)
printf '%-28s %10s %8s %8s %8s %6s %8s\n' "call" "instr/call" "x empty" "floor" "routine" "own" "x floor"
empty=
while IFS= read -r expr; do
  [ -n "$expr" ] || continue
  calls=$n
  case "$expr" in rxcalc*|emptyfunc*|abs*) ;; *) calls=$((n / 20));; esac  # pure REXX is slow
  per=$(count "$calls" "$expr")
  [ -n "$empty" ] || empty=$per
  floor=- against=- work=- own=-
  if [[ $expr == rxcalc* ]]; then
    # floor17___(2) for rxcalcsqrt(2), whose result has 17 characters
    name=${expr%%(*}
    floorname=floor$(regina "$here/calls.rexx" length "$expr")
    while [ ${#floorname} -lt ${#name} ]; do floorname+=_; done
    floor=$(count "$calls" "$floorname(${expr#*(}")
    against=$(ratio "$per" "$floor")
    work=0
    mapfile -t args < <(arguments "$expr")
    if [ "$name" != rxcalcpi ]; then work=$(($(perrun "$calls" "$routine" @N@ "$name" "${args[@]}") - looponly)); fi
    own=$((per - floor - work))
  fi
  printf '%-28s %10d %8s %8s %8s %6s %8s\n' "$expr" "$per" "$(ratio "$per" "$empty")" "$floor" "$work" "$own" "$against"
  limit=
  case "$expr" in
    rxcalcpi*) ;;
    rxcalc*,*) limit=$ANY ;;
    rxcalc*) limit=$ONEARG ;;
  esac
  if [ "$check" = --check ] && [ -n "$limit" ] && [ "$own" -gt "$limit" ]; then
    echo "  slower than before: $expr adds $own instructions of its own, at most $limit allowed"
    failed=1
  fi
done < "$cases"
exit "${failed:-0}"

#!/usr/bin/env bash
# Instructions per call through the real interpreter, counted by callgrind:
# each case runs n and 2n times and the difference is divided by n, so the
# interpreter's start-up and the package's loading cancel out exactly.
# Usage: bench/callgrind.sh CASESFILE [N [--check]]   (REGINA_ADDON_DIR must name the modules)
# With --check it fails when rxcalcsqrt(2) costs more than SQRTLIMIT times the
# empty call or any package call more than ANYLIMIT times: the figures of
# docs/performance.md, which no change may lose.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cases=$1
n=${2:-20000}
check=${3:-}
SQRTLIMIT=1.245
ANYLIMIT=1.494

count() {  # instructions for one run of calls.rexx loop
  valgrind --tool=callgrind --callgrind-out-file=/dev/null regina "$here/calls.rexx" loop "$1" "$2" 2>&1 |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

printf '%-28s %12s %9s\n' "call" "instr/call" "x empty"
empty=
while IFS= read -r expr; do
  [ -n "$expr" ] || continue
  calls=$n
  case "$expr" in rxcalc*|emptyfunc*|abs*) ;; *) calls=$((n / 20));; esac  # pure REXX is slow
  one=$(count "$calls" "$expr")
  two=$(count $((2 * calls)) "$expr")
  per=$(( (two - one) / calls ))
  [ -n "$empty" ] || empty=$per
  ratio=$(awk -v a="$per" -v b="$empty" 'BEGIN { printf "%.3f", a / b }')
  printf '%-28s %12d %9s\n' "$expr" "$per" "$ratio"
  limit=
  case "$expr" in
    'rxcalcsqrt(2)') limit=$SQRTLIMIT ;;
    rxcalc*) limit=$ANYLIMIT ;;
  esac
  if [ "$check" = --check ] && [ -n "$limit" ] && awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r > l) }'; then
    echo "  slower than before: $expr costs $ratio times the empty call, at most $limit allowed"
    failed=1
  fi
done < "$cases"
exit "${failed:-0}"

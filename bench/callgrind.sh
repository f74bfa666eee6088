#!/usr/bin/env bash
# Instructions per call through the real interpreter, counted by callgrind:
# each case runs n and 2n times and the difference is divided by n, so the
# interpreter's start-up and the package's loading cancel out exactly.
# Usage: bench/callgrind.sh CASESFILE [N]   (REGINA_ADDON_DIR must name the modules)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cases=$1
n=${2:-20000}

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
  printf '%-28s %12d %9s\n' "$expr" "$per" "$(awk -v a="$per" -v b="$empty" 'BEGIN { printf "%.3f", a / b }')"
done < "$cases"

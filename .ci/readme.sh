#!/usr/bin/env bash
# The README's two commands.
set -euo pipefail
tools/dev.sh example
tools/dev.sh test

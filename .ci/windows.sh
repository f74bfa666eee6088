#!/usr/bin/env bash
# qirven.dll for Windows, built and tested under Wine (Debian 13 or later).
set -euo pipefail
tools/dev.sh windows

#!/usr/bin/env bash
# qirven.dll for 64- and 32-bit Windows, built and tested under Wine (Debian 13
# or later). Wine runs 32-bit programs with its i386 part, so this fresh
# system takes i386 as a foreign architecture first.
set -euo pipefail
sudo dpkg --add-architecture i386
tools/dev.sh windows

#!/usr/bin/env bash
# The Windows files (DLLs, zips, installers) built and tested under Wine
# (Debian 13 or later), then built again from another clone in another
# folder: every file in dist/ must be identical.
set -euo pipefail
# Wine runs 32-bit programs with its i386 part, which needs i386 as a foreign
# architecture; it is added only where the kernel runs 32-bit x86 code, for
# where it cannot, wine32:i386 would make Wine fail for 64-bit programs too.
sudo apt-get update -qq
sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libc6-i386 >/dev/null
if "$(dpkg -L libc6-i386 | grep -m1 '/ld-linux\.so\.2$')" --version >/dev/null 2>&1; then
  sudo dpkg --add-architecture i386
fi
tools/dev.sh windows

echo "== the Windows files again, from another clone in another folder"
other=$(mktemp -d /tmp/qirven-again.XXXXXX)
git clone -q . "$other/qirven"
(cd "$other/qirven" && tools/dev.sh windows --untested >"$other/build.log" 2>&1) || { tail -30 "$other/build.log"; exit 1; }
diff dist/SHA256SUMS "$other/qirven/dist/SHA256SUMS"
echo "  the two builds are identical: $(wc -l <dist/SHA256SUMS) files"
rm -rf "$other"

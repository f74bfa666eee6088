#!/usr/bin/env bash
# The Windows files (DLLs, zips, installers) built and tested under Wine
# (Debian 13 or later), then built again from another clone in another
# folder: every file in dist/ must be identical.
set -euo pipefail
# i386 added first, as Debian's instructions for Wine say: Wine's 32-bit
# part then runs the 32-bit files' tests, under qemu-i386 where the kernel
# runs no 32-bit code (this chroot is entered inside a user namespace of its
# own, where a binfmt_misc of its own can be mounted).
sudo dpkg --add-architecture i386
tools/dev.sh windows

echo "== the Windows files again, from another clone in another folder"
other=$(mktemp -d /tmp/qirven-again.XXXXXX)
git clone -q . "$other/qirven"
(cd "$other/qirven" && tools/dev.sh windows --untested >"$other/build.log" 2>&1) || { tail -30 "$other/build.log"; exit 1; }
diff dist/SHA256SUMS "$other/qirven/dist/SHA256SUMS"
echo "  the two builds are identical: $(wc -l <dist/SHA256SUMS) files"
rm -rf "$other"

#!/usr/bin/env bash
# Debian's own checks of the source package, as a maintainer runs them before
# an upload and as Debian's packaging CI runs them: the build with its tests,
# lintian, autopkgtest against the installed package, the build log's
# hardening flags, and a second build elsewhere giving the same .deb.
set -euo pipefail
src=$PWD
out=$(dirname "$src")
sudo apt-get update -qq
sudo env DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq ./ >/dev/null
sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq lintian autopkgtest blhc >/dev/null

echo "== dpkg-buildpackage -us -uc, with the tests"
dpkg-buildpackage -us -uc --post-clean >"$out/qirven.build" 2>&1 || { tail -60 "$out/qirven.build"; exit 1; }
grep -E "tests passed|tests failed" "$out/qirven.build"
changes=$(ls "$out"/qirven_*.changes)
deb=$(ls "$out"/qirven_*.deb)

echo "== lintian --pedantic"
# Debian 12's and 13's lintian may know an older Standards-Version than the
# package declares, which is unstable's.
lintian --pedantic --fail-on error,warning --suppress-tags newer-standards-version "$changes"
echo "== autopkgtest, null runner"
sudo autopkgtest "$changes" -- null >"$out/autopkgtest.log" 2>&1 || { tail -40 "$out/autopkgtest.log"; exit 1; }
sed -n '/@@@@ summary/,$p' "$out/autopkgtest.log" | sed -n '2,/^autopkgtest/p' | grep -v '^autopkgtest'
echo "== blhc --debian"
blhc --debian "$out/qirven.build"

echo "== a second build, from another clone in another folder, without tests"
other=$(mktemp -d /tmp/qirven-again.XXXXXX)
git clone -q "$src" "$other/qirven"
(cd "$other/qirven" && DEB_BUILD_OPTIONS=nocheck dpkg-buildpackage -us -uc -b >"$other/qirven.build" 2>&1) ||
  { tail -40 "$other/qirven.build"; exit 1; }
cmp "$deb" "$other/$(basename "$deb")"
echo "$(basename "$deb"): the two builds are identical ($(sha256sum <"$deb" | cut -c1-16))"
rm -rf "$other"

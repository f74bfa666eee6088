#!/usr/bin/env bash
# A Regina built from its source into /usr/local, as many REXX users run it,
# with no Debian Regina; then the README's "Installing" commands with only
# g++, make and CMake, and a program run by plain regina from / with no
# environment.
set -euo pipefail
sudo apt-get update -qq
sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq g++ make cmake >/dev/null

echo "== Regina from its source: ./configure && make && sudo make install"
# The source is Debian's copy of upstream's tarball, fetched by apt's own
# downloader from the source index (this mirror has the tarball only).
mirror=$(grep -ohE 'https?://[^ ]+' /etc/apt/sources.list | head -1)
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
echo "deb-src $mirror $codename main" | sudo tee /etc/apt/sources.list.d/deb-src.list >/dev/null
sudo apt-get update -qq
record=$(apt-cache showsrc regina-rexx | sed '/^$/q')
directory=$(sed -n 's/^Directory: //p' <<<"$record")
read -r sha256 _ tarball < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/p' <<<"$record" | grep '\.orig\.tar')
work=$(mktemp -d)
sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xz-utils >/dev/null  # to unpack it
/usr/lib/apt/apt-helper download-file "$mirror/$directory/$tarball" "$work/$tarball" "SHA256:$sha256" >/dev/null
tar -C "$work" -xf "$work/$tarball"
(cd "$work"/regina-rexx-* && ./configure >"$work/configure.log" && make -j"$(nproc)" >"$work/make.log" 2>&1 &&
  sudo make install >"$work/install.log" && sudo ldconfig) || { tail -30 "$work"/*.log; exit 1; }
echo "  $(regina-config --version) in $(regina-config --prefix); add-ons: $(regina-config --addons)"
if dpkg-query -W regina-rexx libregina3 >/dev/null 2>&1; then echo "a Debian Regina is installed"; exit 1; fi

echo "== the README's Installing commands"
cmake -S . -B build && cmake --build build && sudo cmake --install build
printf '%s\n' "call RxFuncAdd 'mathloadfuncs', 'qirven', 'mathloadfuncs'" 'call mathloadfuncs' \
  'say rxcalcsqrt(2)' >"$work/sqrt.rexx"
got=$(cd / && env -i PATH=/usr/local/bin:/usr/bin:/bin regina "$work/sqrt.rexx")
[ "$got" = 1.414213562373095 ] || { echo "plain regina printed [$got]"; exit 1; }
echo "  plain regina from / printed rxcalcsqrt(2) = $got"
while read -r file; do sudo rm -f "$file"; done <build/install_manifest.txt
rm -rf build "$work"

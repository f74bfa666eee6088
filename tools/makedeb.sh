#!/usr/bin/env bash
# Makes OUTDIR/qirven_<version>_<arch>.deb from a configured and built tree.
#   tools/makedeb.sh BUILDDIR ARCH OUTDIR [TARGETDEBS]
# TARGETDEBS, for another architecture, is a folder of that architecture's
# library packages, from which dpkg-shlibdeps reads what the module needs.
set -euo pipefail
build=$1 arch=$2 out=$3 targetdebs=${4:-}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version=$(cache CMAKE_PROJECT_VERSION)
regina=$(cache QIRVEN_REGINA_VERSION)
gnu=$(dpkg-architecture -a"$arch" -qDEB_HOST_GNU_TYPE 2>/dev/null)
tool() { if [ "$arch" = "$(dpkg --print-architecture)" ]; then echo "$1"; else echo "$gnu-$1"; fi; }

pkg=$work/qirven
DESTDIR=$pkg cmake --install "$build" --prefix /usr >/dev/null
module=$(find "$pkg" -name libqirven.so)
doc=$pkg/usr/share/doc/qirven
"$(tool strip)" --strip-unneeded --remove-section=.comment --remove-section=.note "$module"
gzip -9n "$pkg"/usr/share/man/man3/qirven.3
install -m 0644 "$root/packaging/copyright" "$doc/copyright"
gzip -9n <"$root/packaging/changelog" >"$doc/changelog.gz"
find "$pkg" -type d -exec chmod 0755 {} +
find "$pkg" -type f -exec chmod 0644 {} +

# Depends from the libraries the module links, as dpkg-shlibdeps finds them:
# installed ones, or for another architecture the unpacked library packages.
mkdir -p "$work/src/debian"
printf 'Source: qirven\n\nPackage: qirven\nArchitecture: any\n' >"$work/src/debian/control"
trees=()
if [ -n "$targetdebs" ]; then
  for deb in "$targetdebs"/*.deb; do
    tree=$work/trees/$(basename "$deb" .deb)
    mkdir -p "$work/trees" && dpkg-deb -R "$deb" "$tree"
    trees+=(-S"$tree")
  done
fi
depends=$(cd "$work/src" && DEB_HOST_ARCH=$arch dpkg-shlibdeps -O "${trees[@]}" "$module" 2>/dev/null |
  sed -n 's/^shlibs:Depends=//p')
# Regina looks for add-on modules in a folder named after its own version,
# so only that version of libregina3 will find this one.
grep -Eq '(^|, )libregina3 \(' <<<"$depends" || { echo "dpkg-shlibdeps found no libregina3: $depends"; exit 1; }
depends=$(sed -E "s/(^|, )libregina3 \([^)]*\)/\1libregina3 (>= $regina), libregina3 (<< $regina.0~)/" <<<"$depends")

mkdir -p "$pkg/DEBIAN"
cat >"$pkg/DEBIAN/control" <<CONTROL
Package: qirven
Version: $version
Architecture: $arch
Maintainer: The Qirven developers <qirven@example.org>
Installed-Size: $(du -sk --apparent-size "$pkg/usr" | cut -f1)
Depends: $depends
Recommends: regina-rexx
Section: interpreters
Priority: optional
Description: floating-point math functions for Regina REXX
 Qirven is a function package for the Regina REXX interpreter. A REXX
 program loads it with RxFuncAdd and calls mathloadfuncs, which registers
 square root, exponential, natural and base-10 logarithms, hyperbolic
 sine, cosine and tangent, sine, cosine, tangent and cotangent, their
 inverses (in degrees, grads or radians), power and pi.
 .
 Each function reads its arguments as decimal text, computes in double
 precision and returns text of up to 16 significant digits.
CONTROL
(cd "$pkg" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
chmod 0644 "$pkg/DEBIAN/md5sums"
mkdir -p "$out"
dpkg-deb --root-owner-group -Zxz --build "$pkg" "$out/qirven_${version}_${arch}.deb" >/dev/null
echo "$out/qirven_${version}_${arch}.deb"

# The Windows job of tools/dev.sh (tools/dev.sh windows [--untested | --emulate-i386]),
# sourced by it: it uses dev.sh's build, privateapt, origsource and mirrorurl
# and tools/common.sh's helpers. The tests of one width also run on their
# own, for the namespace where 32-bit programs are emulated:
#   bash tools/windows.sh wintest BITS DIR VERSION WINELOADER
# shellcheck shell=bash

# windows ROOT [--untested | --emulate-i386]: qirven.dll for 64- and 32-bit
# Windows, cross-built with Debian's MinGW-w64 (the Universal C Runtime on
# 64-bit, msvcrt on 32-bit, Debian 13 and later) with musl's math, each in a
# zip and an NSIS installer in dist/, identical from any build, with
# dist/SHA256SUMS. Tested under Wine with a Windows regina.exe built from
# Regina's source: the 64-bit files always, the 32-bit ones where Wine's
# 32-bit part runs, natively or under qemu-i386 (--emulate-i386: even where
# the machine runs 32-bit programs itself).
windows() {
  local root=$1 mode=${2:-} dir=$1/build-windows version stamp loader64=/usr/lib/wine/wine64 loader32=
  apt-cache show g++-mingw-w64-ucrt64 >/dev/null 2>&1 ||
    { echo "tools/dev.sh windows needs MinGW-w64 with the Universal C Runtime: Debian 13 or later"; return 1; }
  need cmake g++ make regina-rexx libregina3-dev googletest g++-mingw-w64-ucrt64 g++-mingw-w64-i686 wine wine64 \
    xz-utils nsis zip dpkg-dev libc6-i386
  mkdir -p "$dir/run" && chmod 700 "$dir/run"
  # Wine without its .NET and browser add-ons.
  export WINEDEBUG=-all XDG_RUNTIME_DIR="$dir/run" WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -d "$dir/src" ]; then
    privateapt "$dir/apt" amd64 \
      "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $(mirrorurl) trixie main"
    mkdir -p "$dir/src.new"
    # Regina's math module (regutil/) is not needed and not unpacked.
    tar -C "$dir/src.new" -xf "$(origsource regina-rexx "$dir")" --exclude='*/regutil'
    tar -C "$dir/src.new" -xf "$(origsource musl "$dir")"
    mv "$dir/src.new" "$dir/src"
  fi
  version=$(dpkg-parsechangelog -l "$root/debian/changelog" -SVersion)
  # File times in the zips: the changelog's, as SOURCE_DATE_EPOCH is in Debian.
  stamp=$(date -u -d "@$(dpkg-parsechangelog -l "$root/debian/changelog" -STimestamp)" '+%Y-%m-%d %H:%M:%S UTC')
  rm -rf "$root/dist" && mkdir -p "$root/dist"
  # Wine's 32-bit part (wine32:i386) needs i386 as a foreign architecture,
  # and 32-bit x86 code run by the kernel or, where it runs none, by
  # qemu-i386 in a user namespace of its own.
  if [ "$mode" = --untested ]; then
    loader64= && echo "== built only, not tested"
  elif ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "== 32-bit Windows: built, not tested: Wine's 32-bit part needs i386 (sudo dpkg --add-architecture i386)"
  elif runs_i386 && [ "$mode" != --emulate-i386 ]; then
    need wine32:i386
    loader32=/usr/lib/wine/wine
  elif ! in_userns && ! unshare --user --map-root-user --mount true 2>/dev/null; then
    echo "== 32-bit Windows: built, not tested: this machine runs no 32-bit x86 program, and no user namespace" \
      "can be made here to emulate them in (a chroot must be entered from one)"
  else
    need wine32:i386 qemu-user gcc-i686-linux-gnu
    loader32=$dir/wineloader32/lib/wine/wine
    wineloader32 "$root" "$dir/wineloader32"
  fi
  if [ -n "$loader64" ]; then
    echo "== the lines of every kind of call on Linux, the reference"
    build "$dir/linux" -DQIRVEN_TESTS=OFF >/dev/null
    REGINA_ADDON_DIR="$dir/linux/lib" regina "$root/tests/rexx/everycall.rexx" >"$dir/linux.lines"
  fi
  winregina 64 x86_64-w64-mingw32ucrt "$dir" "$root"
  winregina 32 i686-w64-mingw32 "$dir" "$root"
  winbuild 64 x86_64-w64-mingw32ucrt "$dir" "$root" "$version" "$stamp" "$loader64"
  winbuild 32 i686-w64-mingw32 "$dir" "$root" "$version" "$stamp" "$loader32"
  [ -z "$loader64" ] || wintest 64 "$dir" "$version" "$loader64"
  if [ "$loader32" = /usr/lib/wine/wine ]; then
    wintest 32 "$dir" "$version" "$loader32"
  elif [ -n "$loader32" ]; then
    emulated /usr/bin/qemu-i386 bash "$root/tools/windows.sh" wintest 32 "$dir" "$version" "$loader32"
  fi
  (cd "$root/dist" && LC_ALL=C sha256sum -- *.zip *.exe >SHA256SUMS)
  sed 's/^/  /' "$root/dist/SHA256SUMS"
}

# winregina BITS TRIPLET DIR ROOT: Regina 3.9.5 for 32- or 64-bit Windows in
# DIR/reginaBITS, from its source in DIR/src.
winregina() {
  local bits=$1 triplet=$2 regina=$3/regina$1 root=$4 src
  [ ! -x "$regina/bin/regina.exe" ] || return 0
  echo "== Regina 3.9.5 for $bits-bit Windows, from its source"
  src=$(echo "$3"/src/regina-rexx-*)
  sed -f "$root/tools/regina-mingw.sed" "$src/makefile.win32.mingw" >"$src/makefile.cross"
  rm -rf "$regina.build" && mkdir -p "$regina.build" "$regina/bin" "$regina/include" "$regina/lib"
  # 32-bit regina.dll exports its stdcall API by plain names too, as Regina's
  # own does, and qirven.dll links against an import library of those names.
  make -C "$regina.build" -r -j"$(nproc)" -f "$src/makefile.cross" REGINA_SRCDIR="$src" CC="$triplet-gcc" \
    WINDRES="$triplet-windres" AR="$triplet-ar" BITS="$bits" GCI=N "TCPLIBS=-lwsock32 -l:libwinpthread.a" \
    "OPTIMIZE=-O2 -DNDEBUG -Wno-error=incompatible-pointer-types -Wno-error=int-conversion \
     -Wno-error=implicit-function-declaration '-Dmin(a,b)=((a)<(b)?(a):(b))'" \
    "LDFLAGS=-mwindows -mthreads -static-libgcc -Wl,--add-stdcall-alias,--output-def,regina.def" \
    "LDFLAGS1=-mconsole -mthreads -static-libgcc" regina.exe \
    >"$regina.log" 2>&1 || { tail -30 "$regina.log"; return 1; }
  cp "$regina.build"/regina.{exe,dll} "$regina/bin/"
  "$triplet-dlltool" -k -d "$regina.build/regina.def" -D regina.dll -l "$regina/lib/regina.a"
  cp "$src/rexxsaa.h" "$regina/include/"
}

# winbuild BITS TRIPLET DIR ROOT VERSION STAMP [WINELOADER]: qirven.dll for
# 32- or 64-bit Windows in DIR/winBITS, its zip and installer in ROOT/dist;
# with WINELOADER, its tests too, for wintest to run with that loader.
winbuild() {
  local bits=$1 triplet=$2 dir=$3 root=$4 version=$5 stamp=$6 loader=${7:-} files=$3/files$1 tests=(-DQIRVEN_TESTS=OFF)
  echo "== qirven.dll for $bits-bit Windows"
  # The tests compare every kind of call with Linux's lines.
  [ -z "$loader" ] || tests=(-DQIRVEN_TESTS=ON -DQIRVEN_QEMU="$loader" -DQIRVEN_REFERENCE="$dir/linux.lines")
  cmake -S "$root" -B "$dir/win$bits" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/cross.cmake" -DQIRVEN_TRIPLET="$triplet" \
    -DQIRVEN_SYSROOT="$dir/regina$bits" -DQIRVEN_MUSL_SOURCE="$(echo "$dir"/src/musl-*)" \
    "${tests[@]}" -DCMAKE_BUILD_TYPE=Release -DQIRVEN_WERROR=ON >/dev/null
  cmake --build "$dir/win$bits" -j"$(nproc)" >/dev/null
  rm -rf "$files" && mkdir -p "$files"
  cp "$dir/win$bits/lib/qirven.dll" "$files/"  # the DLL tested, stripped by the linker
  cp "$root/README.md" "$root/docs/reference.md" "$root/examples/tour.rexx" "$root/LICENSE" "$files/"
  # The licences of what is linked into the DLL: musl's math, MinGW-w64's run-time.
  cp "$(echo "$dir"/src/musl-*)/COPYRIGHT" "$files/COPYRIGHT.musl"
  cp /usr/share/doc/mingw-w64-common/copyright "$files/COPYRIGHT.mingw-w64"
  chmod 644 "$files"/*
  # zip -X: no extra fields, which would carry the files' access times.
  (cd "$files" && export LC_ALL=C TZ=UTC && touch -d "$stamp" -- * && zip -X -q "$root/dist/qirven-$version-win$bits.zip" -- *)
  makensis -V2 -DVERSION="$version" -DBITS="$bits" -DFILES="$files" \
    -DOUTFILE="$root/dist/qirven-$version-win$bits-setup.exe" "$root/windows/qirven.nsi" >"$dir/nsis$bits.log" ||
    { cat "$dir/nsis$bits.log"; return 1; }
  echo "  dist/qirven-$version-win$bits.zip and dist/qirven-$version-win$bits-setup.exe: $(cd "$files" && echo *)"
}

# wintest BITS DIR VERSION WINELOADER: the tests of DIR/winBITS under Wine,
# run by WINELOADER: the unit tests, the case files, the documentation's
# examples and every kind of call against Linux's lines, then the installer.
wintest() {
  local bits=$1 dir=$2 version=$3 loader=$4 root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  echo "== $bits-bit Windows: the tests under Wine, run by $loader"
  # A prefix of this width's own, made where its programs run, so that Wine
  # can put its 32-bit part in.
  export WINEPREFIX="$dir/wine$bits"
  [ -d "$WINEPREFIX" ] || { /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 && wineserver -w; }
  # One server for all the tests (a client that met one as it timed out
  # failed: "recvmsg: Connection reset by peer"), and Wine's services started
  # first, so that they hold no test's output open.
  wineserver -p && /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1
  (cd "$dir/win$bits" && ctest --no-tests=error -j"$(nproc)" --output-on-failure >ctest.log 2>&1) ||
    { grep -E -A12 "Failure|FAIL|DIFFERENT|tests passed" "$dir/win$bits/ctest.log" | head -80; wineserver -k; return 1; }
  grep "tests passed" "$dir/win$bits/ctest.log"
  (cd "$dir/win$bits/lib" && "$loader" regina.exe "$root/tests/rexx/everycall.rexx" "$dir/linux.lines" 2>/dev/null) |
    tail -1
  wineserver -k
  bash "$root/tests/installer.sh" "$dir" "$version" "$bits" "$dir/regina$bits/bin" "$dir/regina$((96 - bits))/bin" "$loader"
}

# wineloader32 ROOT DIR: Wine's 32-bit loader linked at a fixed address
# (tests/wineloader.c), in DIR/lib/wine within a copy of Wine's layout,
# where Wine finds its data, its server and its 64-bit loader.
wineloader32() {
  local ntdll
  ntdll=$(dpkg -L libwine:i386 | grep -m1 '/i386-unix/ntdll\.so$')
  mkdir -p "$2/lib/wine" "$2/share"
  i686-linux-gnu-gcc -O2 -Wall -Werror -no-pie -Wl,-Ttext-segment=0x7d000000 -DNTDLL="\"$ntdll\"" \
    -o "$2/lib/wine/wine" "$1/tests/wineloader.c"
  ln -sfn /usr/lib/wine/wine64 "$2/lib/wine/wine64"
  ln -sfn /usr/lib/wine/wineserver "$2/lib/wine/wineserver"
  ln -sfn /usr/share/wine "$2/share/wine"
}

if [ "${BASH_SOURCE[0]}" = "$0" ] && [ "${1:-}" = wintest ]; then
  set -euo pipefail
  # shellcheck source=tools/common.sh
  source "$(dirname "$0")/common.sh"
  shift
  wintest "$@"
fi

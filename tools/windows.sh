# The Windows job of tools/dev.sh (tools/dev.sh windows [--untested]),
# sourced by it: it uses dev.sh's helpers (need, build, privateapt,
# origsource, mirrorurl) and its $root.
# shellcheck shell=bash disable=SC2154

# windows: qirven.dll for 64- and 32-bit Windows, cross-built with Debian's
# MinGW-w64 (the Universal C Runtime on 64-bit, msvcrt on 32-bit, Debian 13
# and later) with musl's math, each in a zip and an NSIS installer in dist/,
# identical from any build, with dist/SHA256SUMS. Tested under Wine with a
# Windows regina.exe built from Regina's source: the 64-bit files always, the
# 32-bit ones where Wine can run 32-bit programs.
windows() {
  local dir="$root/build-windows" version stamp test64=yes test32=no
  [ "${1:-}" != --untested ] || test64=no
  apt-cache show g++-mingw-w64-ucrt64 >/dev/null 2>&1 ||
    { echo "tools/dev.sh windows needs MinGW-w64 with the Universal C Runtime: Debian 13 or later"; return 1; }
  need cmake g++ make regina-rexx libregina3-dev googletest g++-mingw-w64-ucrt64 g++-mingw-w64-i686 wine wine64 \
    xz-utils nsis zip dpkg-dev libc6-i386
  mkdir -p "$dir/run" && chmod 700 "$dir/run"
  # Wine's own prefix, without its .NET and browser add-ons.
  export WINEPREFIX="$dir/wine" WINEDEBUG=-all XDG_RUNTIME_DIR="$dir/run" WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -d "$dir/src" ]; then
    privateapt "$dir/apt" amd64 \
      "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $(mirrorurl) trixie main"
    mkdir -p "$dir/src.new"
    # Regina's math module (regutil/) is not needed and not unpacked.
    tar -C "$dir/src.new" -xf "$(origsource regina-rexx "$dir")" --exclude='*/regutil'
    tar -C "$dir/src.new" -xf "$(origsource musl "$dir")"
    mv "$dir/src.new" "$dir/src"
  fi
  if [ "$test64" = yes ]; then
    echo "== the lines of every kind of call on Linux, the reference"
    build "$dir/linux" -DQIRVEN_TESTS=OFF >/dev/null
    REGINA_ADDON_DIR="$dir/linux/lib" regina "$root/tests/rexx/everycall.rexx" >"$dir/linux.lines"
  fi
  version=$(dpkg-parsechangelog -l "$root/debian/changelog" -SVersion)
  # File times in the zips: the changelog's, as SOURCE_DATE_EPOCH is in Debian.
  stamp=$(date -u -d "@$(dpkg-parsechangelog -l "$root/debian/changelog" -STimestamp)" '+%Y-%m-%d %H:%M:%S UTC')
  rm -rf "$root/dist" && mkdir -p "$root/dist"
  # Wine runs 32-bit programs with its i386 part, which needs i386 as a
  # foreign architecture and a kernel that runs 32-bit x86 code.
  if [ "$test64" = no ]; then
    echo "== built only, not tested"
  elif ! "$(dpkg -L libc6-i386 | grep -m1 '/ld-linux\.so\.2$')" --version >/dev/null 2>&1; then
    echo "== 32-bit Windows: built, not tested: this machine's kernel runs no 32-bit x86 program, so Wine cannot"
  elif ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "== 32-bit Windows: built, not tested: Wine's 32-bit part needs i386 (sudo dpkg --add-architecture i386)"
  else
    need wine32:i386
    test32=yes
  fi
  winbuild 64 x86_64-w64-mingw32ucrt "$test64"
  winbuild 32 i686-w64-mingw32 "$test32"
  if [ "$test64" = yes ]; then
    echo "== the installers under Wine"
    bash "$root/tests/installer.sh" "$dir" "$version" 64 "$dir/regina64/bin" "$dir/regina32/bin"
  fi
  if [ "$test32" = yes ]; then
    bash "$root/tests/installer.sh" "$dir" "$version" 32 "$dir/regina32/bin" "$dir/regina64/bin"
  fi
  (cd "$root/dist" && LC_ALL=C sha256sum -- *.zip *.exe >SHA256SUMS)
  sed 's/^/  /' "$root/dist/SHA256SUMS"
}

# winbuild BITS TRIPLET TEST: Regina for Windows, qirven.dll, the zip and the
# installer for 32- or 64-bit Windows; with TEST=yes, their tests under Wine.
winbuild() {
  local bits=$1 triplet=$2 test=$3 regina="$dir/regina$1" src files="$dir/files$1"
  src=$(echo "$dir"/src/regina-rexx-*)
  if [ ! -x "$regina/bin/regina.exe" ]; then
    echo "== Regina 3.9.5 for $bits-bit Windows, from its source"
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
  fi
  echo "== qirven.dll for $bits-bit Windows$([ "$test" = yes ] && echo ", and its tests under Wine")"
  local reference=()  # the lines that rexx.samelines compares with
  [ "$test" = no ] || reference=(-DQIRVEN_REFERENCE="$dir/linux.lines")
  cmake -S "$root" -B "$dir/win$bits" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/cross.cmake" -DQIRVEN_TRIPLET="$triplet" \
    -DQIRVEN_SYSROOT="$regina" -DQIRVEN_QEMU=wine -DQIRVEN_MUSL_SOURCE="$(echo "$dir"/src/musl-*)" \
    "${reference[@]}" -DCMAKE_BUILD_TYPE=Release -DQIRVEN_TESTS="$test" -DQIRVEN_WERROR=ON >/dev/null
  cmake --build "$dir/win$bits" -j"$(nproc)" >/dev/null
  if [ "$test" = yes ]; then
    (cd "$dir/win$bits" && ctest --no-tests=error -j"$(nproc)" --output-on-failure >ctest.log 2>&1) ||
      { grep -E -A12 "Failure|FAIL|DIFFERENT|tests passed" "$dir/win$bits/ctest.log" | head -80; return 1; }
    grep "tests passed" "$dir/win$bits/ctest.log"
    (cd "$dir/win$bits/lib" && wine regina.exe "$root/tests/rexx/everycall.rexx" "$dir/linux.lines" 2>/dev/null) |
      tee "$dir/samelines$bits.log" | tail -1
  fi
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

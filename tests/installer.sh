#!/usr/bin/env bash
# The Windows installer under Wine, with Regina laid out as its own installer
# lays it out, in three places that the installer must find by itself:
# Regina's default folder, a folder named only by the command for .rexx files
# (HKCR\Regina\shell\open\command), and one named only by REGINA_HOME. Each
# time: a silent install, the case files and the documentation's examples run
# by that regina.exe from another folder, a silent uninstall. Also: the
# refusals (no Regina; a Regina of the other width), an install over an
# install, and the DLL's version resource.
#   tests/installer.sh WORKDIR VERSION BITS REGINABIN OTHERREGINABIN
# REGINABIN and OTHERREGINABIN hold regina.exe and regina.dll of this width
# and of the other one.
set -euo pipefail
work=$1 version=$2 bits=$3 regina=$4 other=$5
tests=$(cd "$(dirname "$0")" && pwd)
setup=$(dirname "$tests")/dist/qirven-$version-win$bits-setup.exe
export WINEPREFIX=$work/wine-installer$bits WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX" && wineboot -i >/dev/null 2>&1 && wineserver -w
c=$WINEPREFIX/drive_c
programfiles="Program Files"
[ "$bits" = 64 ] || programfiles="Program Files (x86)"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Qirven'
windres=x86_64-w64-mingw32ucrt-windres
[ "$bits" = 64 ] || windres=i686-w64-mingw32-windres
unset REGINA_HOME
failed=0
fail() { echo "  FAIL: $*"; failed=1; }
# The registry as a program of this width sees it: Wine's reg.exe in that view.
reg() { wine reg "$@" /reg:"$bits"; }

# place FOLDER BIN: a Regina of BIN's width in C:\FOLDER, as its installer leaves it.
# Its files are noted, to be found the same after the uninstall.
place() { mkdir -p "$c/$1" && cp "$2/regina.exe" "$2/regina.dll" "$c/$1/" && reginafiles=$(fingerprint "$1"); }
fingerprint() { (cd "$c/$1" && find . -type d && find . -type f -exec sha256sum {} +) | sort; }

# installed FOLDER: Qirven is in C:\FOLDER; the case files and the installed
# reference's examples run there from another current folder; then the silent
# uninstaller leaves Regina's files as they were.
installed() {
  local folder=$1 win out
  win=C:\\$(tr / '\\' <<<"$folder")
  [ -f "$c/$folder/qirven.dll" ] || { fail "no qirven.dll in $win"; return; }
  cmp -s "$c/$folder/Qirven/reference.md" "$tests/../docs/reference.md" || fail "no documents in $win\\Qirven"
  reg query "$key" /v InstallLocation 2>/dev/null | grep -qF "$win" || fail "no Add/Remove Programs entry for $win"
  reg query "$key" /v DisplayVersion 2>/dev/null | grep -qF "$version" || fail "the entry's version is not $version"
  out=$(cd "$work" && wine "$c/$folder/regina.exe" "$tests/rexx/runcases.rexx" \
    "$(printf "$tests/rexx/%s.cases " unary angles powerpi conventions large)$tests/../docs/reference.md" 2>/dev/null) ||
    fail "cases failed with $win\\regina.exe"
  tr -d '\r' <<<"$out" | sed -n 's/^FAIL/  &/p'
  wine "$c/$folder/Qirven/uninstall.exe" /S && wineserver -w  # it runs on from a copy of itself
  [ ! -e "$c/$folder/qirven.dll" ] && [ ! -e "$c/$folder/Qirven" ] || fail "the uninstaller left files in $win"
  ! reg query "$key" >/dev/null 2>&1 || fail "the uninstaller left the Add/Remove Programs entry"
  [ "$(fingerprint "$folder")" = "$reginafiles" ] || fail "the uninstaller changed Regina's files in $win"
  echo "  $win: installed; $(tr -d '\r' <<<"$out" | awk '/ cases$/ { n += $(NF - 1) } END { print n }') cases" \
    "and examples passed; uninstalled, Regina's files untouched"
}

echo "== $(basename "$setup")"
# 1. Regina's default folder.
place "$programfiles/rexx.org/Regina" "$regina"
wine "$setup" /S || fail "silent install into the default folder: exit $?"
# The version resource, read back from the installed DLL.
resource=$("$windres" -i "$c/$programfiles/rexx.org/Regina/qirven.dll" -O rc 2>/dev/null) || true
grep -q "FILEVERSION ${version//./, }, 0" <<<"$resource" || fail "FILEVERSION is not $version"
grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$resource" || fail "ProductVersion is not $version"
grep -q 'VALUE "OriginalFilename", "qirven.dll"' <<<"$resource" || fail "OriginalFilename is not qirven.dll"
echo "  qirven.dll's version resource: $(sed -n 's/.*"FileVersion", "\(.*\)"/\1/p' <<<"$resource")"
installed "$programfiles/rexx.org/Regina"
# Installed over an install of the same version: the second replaces the first.
wine "$setup" /S && wine "$setup" /S || fail "installing over an install: exit $?"
installed "$programfiles/rexx.org/Regina"
rm -rf "$c/$programfiles/rexx.org"

# 2. Named only by the command that opens .rexx files.
place "Tools/Regina here" "$regina"
reg add 'HKCR\Regina\shell\open\command' /ve /d "\"C:\\Tools\\Regina here\\regina.exe\" -p \"%1\" %*" /f >/dev/null
wine "$setup" /S || fail "silent install into the folder of the .rexx command: exit $?"
installed "Tools/Regina here"
reg delete 'HKCR\Regina' /f >/dev/null

# 3. Named only by REGINA_HOME, set for the whole system as Regina's installer sets it.
place "Rexx/Regina" "$regina"
reg add 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v REGINA_HOME \
  /d 'C:\Rexx\Regina' /f >/dev/null && wineserver -k
wine "$setup" /S || fail "silent install into REGINA_HOME: exit $?"
installed "Rexx/Regina"
reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v REGINA_HOME /f >/dev/null
wineserver -k

# Refusals: no install, a non-zero exit.
mkdir -p "$c/Empty"
if wine "$setup" /S '/D=C:\Empty'; then fail "installed where there is no Regina"; fi
place OtherWidth "$other"
# (Wine quotes an argument with a blank, and NSIS reads no quoted /D=.)
if wine "$setup" /S '/D=C:\OtherWidth'; then fail "installed beside a Regina of the other width"; fi
[ ! -e "$c/Empty/qirven.dll" ] && [ ! -e "$c/OtherWidth/qirven.dll" ] || fail "a refused install left qirven.dll"
echo "  refused: a folder without regina.exe, a Regina of the other width"

wineserver -k
exit "$failed"

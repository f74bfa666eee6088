#!/usr/bin/env bash
# The Windows installer under Wine, with Regina laid out as its own installer
# lays it out, found by the installer the ways Regina's installer leaves it:
# its default folder, the command for .rexx files (HKCR\Regina\shell\open\command;
# quoted, unquoted with blanks, REG_EXPAND_SZ), a quoted REGINA_HOME, PATH; past
# a Regina of the other width. A silent install, the case files and the
# documentation's examples run by that regina.exe, a silent uninstall that
# leaves Regina's files as they were. Then what must never be called success:
# an upgrade and an uninstall while a Regina program holds qirven.dll (a
# lock of a moment waited out), a failing earlier uninstaller, a downgrade,
# a held DLL that no install put there or an earlier install's elsewhere;
# Regina last on PATH; the refusals, an uninstall after Regina's, the version
# information of the files.
#   tests/installer.sh WORKDIR VERSION BITS REGINABIN OTHERREGINABIN WINELOADER
# REGINABIN and OTHERREGINABIN hold regina.exe and regina.dll of this width
# and of the other one; WINELOADER runs programs of this width.
set -euo pipefail
work=$1 version=$2 bits=$3 regina=$4 other=$5 wine=$6
wine64=/usr/lib/wine/wine64
tests=$(cd "$(dirname "$0")" && pwd)
setup=$(dirname "$tests")/dist/qirven-$version-win$bits-setup.exe
export WINEPREFIX=$work/wine-installer$bits WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
rm -rf "$WINEPREFIX" && "$wine64" wineboot -i >/dev/null 2>&1 && wineserver -w
c=$WINEPREFIX/drive_c
programfiles="Program Files" triplet=x86_64-w64-mingw32ucrt
[ "$bits" = 64 ] || { programfiles="Program Files (x86)"; triplet=i686-w64-mingw32; }
default="$programfiles/rexx.org/Regina"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Qirven'
envkey='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
unset REGINA_HOME
failed=0
fail() { echo "  FAIL: $*"; failed=1; }
passed() { [ "$failed" = 1 ] || echo "  $*"; }  # a summary, where nothing failed so far
# The registry as a program of this width sees it.
reg() { "$wine64" reg "$@" /reg:"$bits"; }
win() { echo "C:\\$(tr / '\\' <<<"$1")"; }
ascii() { LC_ALL=C tr -cd '\11\12\40-\176'; }
# expect CODE WHAT COMMAND...: COMMAND exits with CODE.
expect() {
  local code=$1 what=$2 rc=0
  shift 2
  "$@" >/dev/null 2>&1 || rc=$?
  [ "$rc" = "$code" ] || fail "$what: exit code $rc, not $code"
}
install() { expect "$1" "$2" "$wine" "$setup" /S "${@:3}"; }
# A system-wide environment variable, as Regina's installer sets REGINA_HOME.
setenv() { reg add "$envkey" /v "$1" /d "$2" /f >/dev/null && wineserver -k; }
unsetenv() { reg delete "$envkey" /v "$1" /f >/dev/null && wineserver -k; }

# place FOLDER BIN: a Regina of BIN's width in C:\FOLDER; its files are noted.
place() { mkdir -p "$c/$1" && cp "$2/regina.exe" "$2/regina.dll" "$c/$1/" && reginafiles=$(fingerprint "$1"); }
fingerprint() { (cd "$c/$1" && find . -type d && find . -type f -exec sha256sum {} +) | sort; }
# What an install is: its DLL, its entry's version and folder, its uninstaller.
state() {
  sha256sum "$c/$1/qirven.dll" "$c/$1/Qirven/uninstall.exe" 2>&1
  reg query "$key" 2>&1 | grep -E 'DisplayVersion|InstallLocation' || echo "no entry"
}

# waitgone PATTERN WHAT: waits while a process's command line matches
# PATTERN (a regular expression that does not match itself), 5 minutes at most.
waitgone() {
  local _
  for _ in $(seq 3000); do grep -qsa -- "$1" /proc/[0-9]*/cmdline || return 0; sleep 0.1; done
  fail "$2 still runs after 5 minutes"
}
# uninstall FOLDER: the silent uninstaller as the entry's QuietUninstallString
# runs it. It returns at once, leaving a copy of itself (~nsuX.tmp\Un.exe in
# the temporary folder) to do the work, which Wine has started by then: the
# test waits for that program to end, then for Wine's server.
uninstall() {
  "$wine" "$c/$1/Qirven/uninstall.exe" /S || fail "the uninstaller of $(win "$1") did not start its copy"
  waitgone '[~]nsu[^ ]*[/\\]Un\.exe' "the uninstaller's copy"
  wineserver -w
}

# installed FOLDER [cases]: Qirven is in C:\FOLDER with its entry; with
# "cases", the case files and the installed reference's examples run there
# from another current folder; then the silent uninstaller (as the entry's
# QuietUninstallString runs it) leaves Regina's files as they were.
installed() {
  local folder=$1 out
  [ -f "$c/$folder/qirven.dll" ] || { fail "no qirven.dll in $(win "$folder")"; return; }
  cmp -s "$c/$folder/Qirven/reference.md" "$tests/../docs/reference.md" || fail "no documents in $(win "$folder/Qirven")"
  # (reg.exe writes to a pipe in Windows' ANSI code page: the letters beyond ASCII are left out.)
  reg query "$key" /v InstallLocation 2>/dev/null | ascii | grep -qF "$(win "$folder" | ascii)" ||
    fail "no Add/Remove Programs entry for $(win "$folder")"
  reg query "$key" /v DisplayVersion 2>/dev/null | grep -qF "$version" || fail "the entry's version is not $version"
  if [ "${2:-}" = cases ]; then
    out=$(cd "$work" && "$wine" "$c/$folder/regina.exe" "$tests/rexx/runcases.rexx" \
      "$(printf "$tests/rexx/%s.cases " unary angles powerpi conventions large)$tests/../docs/reference.md" 2>/dev/null) ||
      fail "cases failed with $(win "$folder")\\regina.exe"
    tr -d '\r' <<<"$out" | sed -n 's/^FAIL/  &/p'
    out="; $(tr -d '\r' <<<"$out" | awk '/ cases$/ { n += $(NF - 1) } END { print n }') cases and examples passed"
  fi
  uninstall "$folder"
  [ ! -e "$c/$folder/qirven.dll" ] && [ ! -e "$c/$folder/Qirven" ] || fail "the uninstaller left files in $(win "$folder")"
  ! reg query "$key" >/dev/null 2>&1 || fail "the uninstaller left the Add/Remove Programs entry"
  [ "$(fingerprint "$folder")" = "$reginafiles" ] || fail "the uninstaller changed Regina's files in $(win "$folder")"
  passed "$(win "$folder"): installed${out:-}; uninstalled, Regina's files untouched"
}

# versioninfo FILE: FILE's version resource names this version.
versioninfo() {
  local resource
  resource=$("$triplet-windres" -i "$1" -O rc 2>/dev/null) || true
  grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$resource" && grep -q 'VALUE "ProductName", "Qirven"' <<<"$resource" &&
    grep -q 'VALUE "CompanyName", "The Qirven developers"' <<<"$resource" && grep -q '"LegalCopyright", "Copyright' <<<"$resource" ||
    fail "$(basename "$1") has no version information for Qirven $version"
}

echo "== $(basename "$setup")"
versioninfo "$setup"
# 1. Regina's default folder.
place "$default" "$regina"
install 0 "silent install into the default folder"
versioninfo "$c/$default/qirven.dll"
versioninfo "$c/$default/Qirven/uninstall.exe"
grep -q "FILEVERSION ${version//./, }, 0" <<<"$("$triplet-windres" -i "$c/$default/qirven.dll" -O rc)" ||
  fail "qirven.dll's FILEVERSION is not $version"
entry=$(reg query "$key" 2>/dev/null | tr -d '\r')
grep DisplayIcon <<<"$entry" | grep -qF "$(win "$default")\\Qirven\\uninstall.exe" &&
  grep -q "VersionMajor.*0x${version%%.*}$" <<<"$entry" ||
  fail "the entry has no DisplayIcon or VersionMajor"
installed "$default" cases
# Over an install of the same version: the second replaces the first.
install 0 "a first install" && install 0 "installing over an install"
installed "$default"
rm -rf "$c/$programfiles/rexx.org"

# 2. Named only by the command for .rexx files: REG_EXPAND_SZ in a folder
# with blanks and letters beyond ASCII; REGINA_HOME, quoted, names a Regina of
# the other width, which the search passes by.
place "Rexx/Other" "$other"
setenv REGINA_HOME '"C:\Rexx\Other"'
place "Tools/Régina ñ here" "$regina"
reg add 'HKCR\Regina\shell\open\command' /ve /t REG_EXPAND_SZ /d '"%SystemDrive%\Tools\Régina ñ here\regina.exe" -p "%1" %*' /f >/dev/null
install 0 "silent install into the folder of a REG_EXPAND_SZ .rexx command"
installed "Tools/Régina ñ here" cases
unsetenv REGINA_HOME
# The command unquoted, its path with blanks.
reg add 'HKCR\Regina\shell\open\command' /ve /d 'C:\Tools\Régina ñ here\regina.exe %1' /f >/dev/null
install 0 "silent install into the folder of an unquoted .rexx command"
installed "Tools/Régina ñ here"
reg delete 'HKCR\Regina' /f >/dev/null

# 3. Named only by REGINA_HOME, quoted.
place "Rexx/Regina" "$regina"
setenv REGINA_HOME '"C:\Rexx\Regina"'
install 0 "silent install into REGINA_HOME"
installed "Rexx/Regina"
unsetenv REGINA_HOME

# 4. On PATH, a folder with blanks, quoted; not in the installer's own
# folder, which is also the current one.
place "Here" "$regina"
place "On Path" "$regina"  # last: its files are the ones noted
cp "$setup" "$c/Here/"
cd "$c/Here"
WINEPATH='C:\Nowhere;"C:\On Path"' expect 0 "silent install from PATH" "$wine" "$(basename "$setup")" /S
cd "$work"
[ ! -e "$c/Here/qirven.dll" ] || fail "installed into the installer's own folder, which is not on PATH"
installed "On Path"

# hold FOLDER: a regina.exe in C:\FOLDER loads its qirven.dll and holds it
# until a line reaches it (release, or releasing); release waits for its end.
hold() {
  printf "call RxFuncAdd 'mathloadfuncs', 'qirven', 'mathloadfuncs'\ncall mathloadfuncs\nsay 'holding'\npull .\n" >"$work/hold.rexx"
  rm -f "$work/hold.fifo" "$work/hold.log" && mkfifo "$work/hold.fifo"
  exec 3<>"$work/hold.fifo"
  (cd "$c/$1" && exec "$wine" regina.exe "$work/hold.rexx" <&3 >"$work/hold.log" 2>&1) &
  holder=$!
  # Until it says so, or ends, or 5 minutes pass (a Wine start on a busy machine took over a minute).
  for _ in $(seq 1500); do
    grep -q holding "$work/hold.log" 2>/dev/null || ! kill -0 "$holder" 2>/dev/null && break
    sleep 0.2
  done
  grep -q holding "$work/hold.log" ||
    fail "regina.exe did not load qirven.dll in $(win "$1") to hold it: $(tr -d '\r' <"$work/hold.log" | head -5)"
}
release() { echo >&3 && wait "$holder" && exec 3>&-; }
# releasing PROGRAM: lets go of the DLL held, in the background, a moment
# after PROGRAM has started: within a silent run's wait. (Its first letter
# in brackets, so that grep does not find its own command line.)
releasing() {
  local pattern="[${1:0:1}]${1:1}"
  (for _ in $(seq 600); do grep -qs -- "$pattern" /proc/[0-9]*/cmdline && break; sleep 0.1; done; sleep 1.5; echo >&3) &
}
# lasts MILLISECONDS WHAT COMMAND...: COMMAND, which must take at least that long.
lasts() {
  local start
  start=$(date +%s%3N)
  "${@:3}"
  [ $(($(date +%s%3N) - start)) -ge "$1" ] || fail "$2 gave up before waiting $1 ms"
}

# 5. A Regina program holds qirven.dll: a silent upgrade and uninstall wait
# for it about 5 seconds, then exit 3 and leave the earlier install whole;
# once it ends, both succeed. A lock of a moment is waited out.
place Held "$regina"
install 0 "silent install into C:\\Held" /D='C:\Held'
printf '\n' >>"$c/Held/qirven.dll"  # an earlier version's DLL, told apart
reg add "$key" /v DisplayVersion /d 1.0.0 /f >/dev/null
hold Held
before=$(state Held)
lasts 4900 "the upgrade" install 3 "upgrading while qirven.dll is in use" /D='C:\Held'
[ "$(state Held)" = "$before" ] || fail "a refused upgrade changed the earlier install"
# The uninstaller run in place waits and tells its exit code.
lasts 4900 "the uninstaller" expect 3 "uninstalling while qirven.dll is in use" "$wine" "$c/Held/Qirven/uninstall.exe" /S '_?=C:\Held\Qirven'
[ "$(state Held)" = "$before" ] || fail "a refused uninstall changed the install"
release
hold Held
releasing "$(basename "$setup")"
install 0 "upgrading while qirven.dll is held for a moment" /D='C:\Held'
release
cmp -s "$c/Held/qirven.dll" "$work/files$bits/qirven.dll" || fail "the upgrade left the earlier DLL"
hold Held
releasing uninstall.exe
expect 0 "uninstalling while qirven.dll is held for a moment" "$wine" "$c/Held/Qirven/uninstall.exe" /S '_?=C:\Held\Qirven'
release
[ ! -e "$c/Held/qirven.dll" ] && ! reg query "$key" >/dev/null 2>&1 || fail "the uninstall after a moment's lock left the DLL or entry"
rm -rf "$c/Held/Qirven"
install 0 "installing once qirven.dll is free" /D='C:\Held'
passed "while a Regina program held qirven.dll: upgrade and uninstall refused after 5 s with exit code 3, the install whole; a lock of a moment waited out"

# 6. The earlier install's uninstaller fails: exit 4, the earlier install whole.
mv "$c/Held/Qirven/uninstall.exe" "$work/uninstall.exe"
printf 'int main(void) { return 1; }\n' | "$triplet-gcc" -x c - -o "$c/Held/Qirven/uninstall.exe"
before=$(state Held)
install 4 "installing after a failing uninstaller" /D='C:\Held'
[ "$(state Held)" = "$before" ] || fail "a failed earlier uninstall was followed by changes"
mv "$work/uninstall.exe" "$c/Held/Qirven/uninstall.exe"

# 7. An older version over a newer one: exit 5, unless /DOWNGRADE.
reg add "$key" /v DisplayVersion /d 99.0.0 /f >/dev/null
before=$(state Held)
install 5 "a silent downgrade" /D='C:\Held'
[ "$(state Held)" = "$before" ] || fail "a refused downgrade changed the install"
install 0 "a downgrade with /DOWNGRADE" /DOWNGRADE /D='C:\Held'
installed Held
passed "refused: a failing earlier uninstaller (exit code 4), a silent downgrade (5); /DOWNGRADE downgrades"

# 8. Regina removed before Qirven: the uninstaller removes the rest.
install 0 "silent install into C:\\Held" /D='C:\Held'
rm "$c/Held/regina.exe" "$c/Held/regina.dll"
uninstall Held
[ ! -e "$c/Held" ] && ! reg query "$key" >/dev/null 2>&1 || fail "Qirven was not removed after Regina"
passed "uninstalled after Regina: nothing left"

# 9. Held where the installer does not look first: a qirven.dll that no
# install put there (copied from the zip), and an earlier install's in
# another folder than the one chosen. Exit 3, every folder as it was.
place Loose "$regina"
cp "$work/files$bits/qirven.dll" "$c/Loose/"
hold Loose
before=$(state Loose)
install 3 "installing over a held qirven.dll that no install put there" /D='C:\Loose'
[ "$(state Loose)" = "$before" ] || fail "a refused install changed the folder of a held qirven.dll"
release
place Second "$regina"
second=$(fingerprint Second)
place First "$regina"  # last: its files are the ones noted
install 0 "silent install into C:\\First" /D='C:\First'
hold First
before=$(state First)
install 3 "installing elsewhere while the earlier install's qirven.dll is held" /D='C:\Second'
[ "$(state First)" = "$before" ] || fail "a refused install changed the earlier install in C:\\First"
[ "$(fingerprint Second)" = "$second" ] || fail "a refused install wrote into C:\\Second"
release
installed First
passed "refused with exit code 3: a held qirven.dll that no install put there, an earlier install's held elsewhere"

# 10. Regina's folder last on the system's PATH, where Regina's installer appends it.
path=$(reg query "$envkey" /v PATH | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*[[:space:]]*//p')
place "Last On Path" "$regina"
reg add "$envkey" /v PATH /t REG_EXPAND_SZ /d "$path;C:\Last On Path" /f >/dev/null && wineserver -k
install 0 "silent install into the last folder on PATH"
installed "Last On Path"
reg add "$envkey" /v PATH /t REG_EXPAND_SZ /d "$path" /f >/dev/null && wineserver -k

# 11. Refusals: exit 2, nothing written. (Wine quotes an argument with a
# blank, and NSIS reads no quoted /D=.)
mkdir -p "$c/Empty" "$c/Junk" && echo "not a program" >"$c/Junk/regina.exe"
place OtherWidth "$other"
install 2 "installing where there is no Regina" /D='C:\Empty'
install 2 "installing beside a Regina of the other width" /D='C:\OtherWidth'
install 2 "installing beside a regina.exe that is no program" /D='C:\Junk'
[ ! -e "$c/Empty/qirven.dll" ] && [ ! -e "$c/OtherWidth/qirven.dll" ] && [ ! -e "$c/Junk/qirven.dll" ] ||
  fail "a refused install left qirven.dll"
passed "refused with exit code 2: no regina.exe, a Regina of the other width, a regina.exe that is no program"

wineserver -k
exit "$failed"

# Helpers that tools/ and .ci/ share; sourced, or run as
#   bash tools/common.sh emulated QEMU-I386 COMMAND...
# shellcheck shell=bash

sudo_() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# Installs the packages named that are not installed yet.
need() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    sudo_ apt-get update -qq
    sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

# Whether this machine runs 32-bit x86 programs: i386's dynamic loader, from
# libc6-i386, runs (some kernels refuse it: "Exec format error").
runs_i386() {
  local loader
  loader=$(dpkg -L libc6-i386 2>/dev/null | grep -m1 '/ld-linux\.so\.2$') && "$loader" --version >/dev/null 2>&1
}

# Whether this process is in a user namespace other than the machine's own.
in_userns() { ! grep -qE '^ *0 +0 +4294967295$' /proc/self/uid_map; }

# binfmt_i386 QEMU MOUNTPOINT: every i386 program run under QEMU, in this
# user namespace only, through a binfmt_misc of its own mounted there (which
# must stay mounted); flag F opens QEMU now, so that a chroot need not hold it.
binfmt_i386() {
  [ -e "$2/qemu-i386" ] && return
  mkdir -p "$2" && mount -t binfmt_misc binfmt_misc "$2"
  # i386 ELF programs, executables and shared objects, as qemu-binfmt-conf.sh gives them.
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$1"':F' \
    >"$2/register"
}

# emulated QEMU COMMAND...: COMMAND with every i386 program run under QEMU:
# in this user namespace when this process is in one of its own (a chroot
# cannot make one), else in a new one. Never on the machine's own binfmt_misc.
emulated() {
  local qemu=$1 mnt
  shift
  if in_userns; then
    mnt=${TMPDIR:-/tmp}/qirven-binfmt
    sudo_ bash -c "$(declare -f binfmt_i386); binfmt_i386 '$qemu' '$mnt'" && "$@"
  else
    unshare --user --map-root-user --mount -- bash "${BASH_SOURCE[0]}" emulated "$qemu" "$@"
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ] && [ "${1:-}" = emulated ]; then
  set -euo pipefail
  shift
  emulated "$@"
fi

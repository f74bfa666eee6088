#!/usr/bin/env bash
# Runs a script of this repository as a new user would: in a fresh minimal
# Debian system (debootstrap's minbase with git and sudo added), from a clone
# of this repository, as an ordinary user with sudo. Fails if the script
# fails or leaves the clone unclean.
#   .ci/chroot.sh [--userns] RELEASE SCRIPT [VAR=value...]
#     RELEASE: bookworm (Debian 12), trixie (Debian 13) or sid (unstable)
#     SCRIPT:  a path in the clone, run there with the variables given
#     --userns: the chroot entered from a user namespace of its own, where
#               users 0-65535 are themselves and may mount a binfmt_misc of
#               their own (a chrooted process cannot make the namespace)
#   .ci/chroot.sh RELEASE --base
#     only makes the fresh system, for the runs of this CI run to copy
set -euo pipefail
userns=()
if [ "$1" = --userns ]; then userns=(userns); shift; fi
release=$1 script=$2
shift 2
src=$(cd "$(dirname "$0")/.." && pwd)
base=/var/tmp/qirven-ci/base-$release
dir=/var/tmp/qirven-ci/$release-$(basename -- "$script" .sh)

[ "$(id -u)" -eq 0 ] || { echo "making and entering a chroot needs root"; exit 1; }
command -v debootstrap >/dev/null || {
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
}

# Everything mounted inside the chroot, this run's or a killed run's, is
# unmounted before the tree is removed, so that no removal reaches the host.
unmountall() {
  local m
  for m in $(awk -v d="$dir/" 'index($2, d) == 1 { print $2 }' /proc/mounts | sort -r); do umount -l "$m"; done
}
trap unmountall EXIT
bind() { mkdir -p "$dir$2" && mount --bind "$1" "$dir$2"; }
# userns COMMAND...: COMMAND in a new user and mount namespace, its uid and
# gid maps written from here (unshare's own need /etc/subuid entries).
userns() {
  unshare --user --mount -- bash -c 'until grep -q . /proc/self/uid_map; do sleep 0.05; done; exec "$@"' - "$@" &
  local pid=$!
  until [ "$(readlink "/proc/$pid/ns/user")" != "$(readlink /proc/self/ns/user)" ]; do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  echo '0 0 65536' >"/proc/$pid/uid_map" && echo '0 0 65536' >"/proc/$pid/gid_map"
  wait "$pid"
}

mkdir -p "$(dirname "$base")"
if [ "$script" = --base ]; then
  rm -rf --one-file-system "$base" "$base.log"
  debootstrap --variant=minbase --include=git,sudo "$release" "$base" >"$base.log" 2>&1 ||
    { tail -20 "$base.log"; exit 1; }
  exit 0
fi

echo "== $release: a fresh minimal system in $dir"
unmountall
rm -rf --one-file-system "$dir"
mkdir -p "$dir"
if [ -x "$base/usr/bin/git" ]; then  # made by this CI run, never entered
  cp -a "$base/." "$dir/"
else
  debootstrap --variant=minbase --include=git,sudo "$release" "$dir" >"$dir.debootstrap.log" 2>&1 ||
    { tail -20 "$dir.debootstrap.log"; exit 1; }
fi
cp /etc/resolv.conf "$dir/etc/resolv.conf"
printf '127.0.0.1 localhost\n127.0.1.1 %s\n' "$(hostname)" >"$dir/etc/hosts"  # for sudo
# This mirror's unstable index is a snapshot past its Valid-Until date.
if [ "$release" = sid ]; then
  echo 'Acquire::Check-Valid-Until "false";' >"$dir/etc/apt/apt.conf.d/99snapshot"
fi
mkdir -p "$dir/proc" "$dir/sys" "$dir/dev/pts"
mount -t proc proc "$dir/proc"
bind /sys /sys
bind /dev /dev
bind /dev/pts /dev/pts
# A release the same as this machine's shares the packages it has downloaded.
if [ "$release" = "$(. /etc/os-release && echo "$VERSION_CODENAME")" ]; then
  bind /var/cache/apt/archives /var/cache/apt/archives
fi

chroot "$dir" useradd --create-home --shell /bin/bash dev
echo 'dev ALL=(ALL) NOPASSWD: ALL' >"$dir/etc/sudoers.d/dev"
git clone -q "$src" "$dir/home/dev/qirven"
chroot "$dir" chown -R dev: /home/dev/qirven
"${userns[@]}" chroot "$dir" sudo -u dev -H env "$@" bash -c '
  set -e
  cd ~/qirven
  echo "== $(. /etc/os-release && echo "$PRETTY_NAME"): $0"
  bash "$0"
  if [ -n "$(git status --porcelain --ignored=no)" ]; then git status --short; echo "the clone was left unclean"; exit 1; fi
  echo "== the clone is clean"
' "$script"
unmountall
rm -rf --one-file-system "$dir" "$dir.debootstrap.log"

#!/usr/bin/env bash
# The Wine that runs the shipped 32-bit programs: Debian unstable's wine is
# built in the WoW64 mode, where 32-bit Windows programs run on the 64-bit
# loader with no 32-bit Linux code (which these machines cannot execute). It
# needs a newer C library than Debian 12 has, so it lives in a chroot kept
# outside the work tree, in a cache folder that later runs and clean clones
# on the same machine reuse.
#   wow64-wine.sh ensure           build the chroot if it is missing or broken;
#                                  exits 3 where the kernel runs no 32-bit code
#   wow64-wine.sh root             print its folder
#   wow64-wine.sh version          print its Wine version (mounts proc in it)
#   wow64-wine.sh bind DIR         mount proc, sys, dev and the X sockets
#                                  inside it, and DIR at the same path
#   wow64-wine.sh unbind DIR       undo the mount of DIR
#   wow64-wine.sh umount           undo every mount under the chroot
#   wow64-wine.sh run DIR CMD...   run CMD inside it, from folder DIR
# KEEPSNAP_CACHE names the cache folder (default /var/cache/keepsnap).
set -euo pipefail
root=${KEEPSNAP_CACHE:-/var/cache/keepsnap}/wow64-sid
loader=/usr/lib/x86_64-linux-gnu/wine/wine
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo --preserve-env)

mounted() { findmnt -rn -o TARGET | grep -qxF "$1"; }

mount_one() {  # mount_one TARGET MOUNT-ARGS...
  local target=$root$1
  shift
  mounted "$target" && return 0
  "${as_root[@]}" mkdir -p "$target"
  "${as_root[@]}" mount "$@" "$target"
}

# What a chroot needs of the system: proc (Wine's loader finds itself through
# it), the devices and sys.
mount_system() {
  mount_one /proc -t proc proc && mount_one /dev --bind /dev && mount_one /sys --bind /sys
}

unmount_all() {
  # Deepest first, so that nothing is left mounted under the chroot.
  { findmnt -rn -o TARGET | grep -E "^$root(/|$)" || true; } | sort -r | while read -r target; do
    "${as_root[@]}" umount -l "$target" || true
  done
  if findmnt -rn -o TARGET | grep -qE "^$root(/|$)"; then
    echo "wow64-wine: mounts under $root remain" >&2
    return 1
  fi
}

# The Debian mirror this machine's apt uses.
mirror() {
  local uri
  uri=$( (grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}';
          grep -hs '^deb ' /etc/apt/sources.list | awk '{print $2}') | grep -v security | head -n 1)
  [ -n "$uri" ] || { echo "wow64-wine: no Debian mirror in the apt sources" >&2; return 1; }
  echo "$uri"
}

in_root() { "${as_root[@]}" chroot "$root" "$@"; }

# Whole means: the loader is there and a 32-bit program starts on it as a
# WoW64 process (its exit code says so).
whole() {
  [ -x "$root$loader" ] || return 1
  [ -x "$root/usr/bin/strace" ] || return 1  # the fault-injection tests run it beside Wine
  local probe=$root/opt/keepsnap/wow64-probe.exe
  if [ ! -f "$probe" ]; then
    "${as_root[@]}" mkdir -p "$(dirname "$probe")"
    printf '%s\n' '#include <windows.h>' \
      'int main() { BOOL wow64 = FALSE; IsWow64Process(GetCurrentProcess(), &wow64); return wow64 ? 0 : 3; }' |
      i686-w64-mingw32-gcc -x c - -o "$probe" -s || return 1
  fi
  mount_system || return 1
  setarch "$(uname -m)" -R "${as_root[@]}" chroot "$root" env WINEPREFIX=/opt/keepsnap/probe-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    DISPLAY= "$loader" /opt/keepsnap/wow64-probe.exe >/dev/null 2>&1
}

# Asked only once the probe above has failed: where the kernel refuses the
# 32-bit code segment, no Wine can run the shipped programs on this machine.
runs_32bit_code() {
  local probe status=0
  probe=$(mktemp)
  cc -no-pie -O1 -o "$probe" "$(dirname "$0")/runs-32bit-code.c" || { rm -f "$probe"; return 0; }
  "$probe" || status=$?
  rm -f "$probe"
  [ "$status" -ne 1 ]
}

build() {
  echo "wow64-wine: building the Debian unstable chroot in $root (a few minutes, once)"
  unmount_all
  "${as_root[@]}" rm -rf --one-file-system "$root"
  "${as_root[@]}" mkdir -p "$root"
  "${as_root[@]}" debootstrap --variant=minbase sid "$root" "$(mirror)" >"${root%/*}/debootstrap.log" 2>&1 || {
    tail -n 20 "${root%/*}/debootstrap.log" >&2
    return 1
  }
  "${as_root[@]}" cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
  mount_system
  # The unstable index served here is a dated snapshot whose Release file
  # has expired; apt refuses it without this option.
  in_root apt-get -q -o Acquire::Check-Valid-Until=false update >/dev/null
  in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    wine wine64 fonts-wine locales strace >"${root%/*}/apt.log" 2>&1 || { tail -n 20 "${root%/*}/apt.log" >&2; return 1; }
  # A Japanese locale starts Wine with the double-byte code page 932.
  in_root localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  in_root apt-get clean
}

case ${1:-} in
ensure)
  trap unmount_all EXIT
  if ! whole; then
    if ! runs_32bit_code; then
      echo "wow64-wine: this machine's kernel runs no 32-bit code (the switch to the 32-bit code segment faults), so no Wine can run the shipped i686 programs here" >&2
      exit 3
    fi
    build
    whole || { echo "wow64-wine: the chroot was built but a 32-bit program does not start in it" >&2; exit 1; }
  fi
  echo "wow64-wine: $("$0" version) in $root"
  ;;
root) echo "$root" ;;
version)
  mount_one /proc -t proc proc  # the loader finds itself through /proc
  in_root "$loader" --version 2>/dev/null | tr -d '\n'
  echo " ($(in_root dpkg-query -W -f='${Version}' wine 2>/dev/null))"
  ;;
bind)
  dir=$(realpath -m "$2")
  mount_system
  # The X server's sockets; the folder is the one Xvfb makes, made here first.
  [ -d /tmp/.X11-unix ] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; }
  mount_one /tmp/.X11-unix --bind /tmp/.X11-unix
  mkdir -p "$dir"
  mount_one "$dir" --bind "$dir"
  ;;
unbind)
  dir=$(realpath -m "$2")
  ! mounted "$root$dir" || "${as_root[@]}" umount -l "$root$dir"
  ;;
umount) unmount_all ;;
run)
  dir=$2
  shift 2
  mount_one /proc -t proc proc  # Wine's loader finds itself through /proc
  # chroot starts in /; the programs under test start in the folder asked for.
  # Without address-space randomisation, as tests/wine/wine-session.sh says why.
  exec "${as_root[@]}" setarch "$(uname -m)" -R chroot "$root" /bin/sh -c 'cd "$0" && exec "$@"' "$dir" "$@"
  ;;
*)
  sed -n '2,/^set -e/p' "$0" | sed '$d' >&2
  exit 2
  ;;
esac

#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, if it is missing,
# and prepares the WoW64 Wine (scripts/wow64-wine.sh).
# The 32-bit Wine loader is never installed: these machines cannot run it,
# and with it the wine wrapper would pick it and fail.
set -euo pipefail
packages=(cmake make g++ libgtest-dev googletest python3
          g++-mingw-w64-i686 g++-mingw-w64-x86-64
          wine wine64 xvfb xauth icoutils imagemagick locales zip unzip clang libclang-rt-14-dev
          debootstrap x11-utils osslsigncode openssl strace wixl msitools faketime)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi
# Signing the Windows 11 menu's package (APPX) needs osslsigncode 2.7 or
# later; Debian 12's main archive has 2.5, bookworm-backports a later one.
osslsigncode_version=$(osslsigncode --version 2>/dev/null | sed -n '1s/^osslsigncode \([0-9.]*\).*/\1/p')
if ! printf '2.7\n%s\n' "$osslsigncode_version" | sort -V -C; then
  echo "installing osslsigncode from bookworm-backports (Debian 12 has $osslsigncode_version; APPX needs 2.7)"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  echo 'deb http://deb.debian.org/debian bookworm-backports main' |
    "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/keepsnap-backports.list >/dev/null
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q -t bookworm-backports osslsigncode
  echo "osslsigncode: $(osslsigncode --version | head -n 1)"
fi
# A Japanese locale starts Wine with the double-byte ANSI code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "generating the ja_JP.UTF-8 locale"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
# The WoW64 Wine that runs the shipped 32-bit programs, in its chroot.
"$(dirname "$0")/wow64-wine.sh" ensure

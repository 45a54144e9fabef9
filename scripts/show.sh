#!/usr/bin/env bash
# Builds everything, then shows the shipped i686 programs working end to end
# under the WoW64 Wine, as on 64-bit Windows: the setup saves settings, the
# registered command makes backups. Pictures of both dialogs land in
# build/show/, the release zip in dist/. Where the machine runs no 32-bit code,
# the x86_64 build is shown under Debian 12's Wine instead, and it says so.
set -euo pipefail
source "$(dirname "$0")/one-run.sh" "$@"
cd "$(dirname "$0")/.."
wine=wow64 build=win32
scripts/setup-machine.sh || {
  [ $? -eq 3 ] || exit 1
  echo "show: this machine runs no 32-bit code, so the x86_64 build is shown under Debian 12's Wine instead of the shipped i686 programs"
  wine=wine8 build=win64
}
scripts/build.sh
state=$PWD/build/show-session
out=$PWD/build/show
mkdir -p "$out"
export KEEPSNAP_WINE=$wine
trap 'tests/wine/wine-session.sh stop "$state"; scripts/wow64-wine.sh umount' EXIT
TZ=${TZ:-UTC} tests/wine/wine-session.sh start "$state"
source "$state/env"
export KEEPSNAP_PROGRAMS="build/$build/backup_command/snapcopy.exe build/$build/tests/wine/snapcopy_with_keys.exe build/$build/setup_utility/snapsetup.exe"
tests/wine/wine-session.sh run "$state" build/win64/tests/wine/show_driver.exe 'C:\kstest'
for picture in setup-dialog new-name-dialog; do
  cp "$WINEPREFIX/drive_c/kstest/$picture.bmp" "$out/" && convert "$out/$picture.bmp" "$out/$picture.png"
done
echo "pictures: $out/setup-dialog.png $out/new-name-dialog.png"
echo "release: $(scripts/package.sh)"

#!/usr/bin/env bash
# Builds everything, then shows the shipped i686 programs working end to end
# under the WoW64 Wine, as on 64-bit Windows: the setup saves settings, the
# registered command makes backups. Pictures of both dialogs land in
# build/show/, the release zip in dist/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-machine.sh
scripts/build.sh
state=$PWD/build/show-session
out=$PWD/build/show
mkdir -p "$out"
export KEEPSNAP_WINE=wow64
trap 'tests/wine/wine-session.sh stop "$state"; scripts/wow64-wine.sh umount' EXIT
TZ=${TZ:-UTC} tests/wine/wine-session.sh start "$state"
source "$state/env"
export KEEPSNAP_PROGRAMS="build/win32/backup_command/snapcopy.exe build/win32/tests/wine/snapcopy_with_keys.exe build/win32/setup_utility/snapsetup.exe"
tests/wine/wine-session.sh run "$state" build/win64/tests/wine/show_driver.exe 'C:\kstest'
for picture in setup-dialog new-name-dialog; do
  cp "$WINEPREFIX/drive_c/kstest/$picture.bmp" "$out/" && convert "$out/$picture.bmp" "$out/$picture.png"
done
echo "pictures: $out/setup-dialog.png $out/new-name-dialog.png"
echo "release: $(scripts/package.sh)"

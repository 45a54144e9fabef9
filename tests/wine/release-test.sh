#!/usr/bin/env bash
# The release as a user gets it: the zip unpacked into a fresh prefix, set
# up, used, removed.
#   release-test.sh WORK_DIR WINE_TESTS_EXE ZIP [BUILD_DIR]
# With BUILD_DIR, ZIP is first packed from that build's programs; without it,
# ZIP is the release as shipped (scripts/package.sh makes it).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1 tests=$2 zip=$3
source "$here/own-session.sh" "$work" release "$zip" "${4:-}"
mkdir -p "$WINEPREFIX/drive_c/Keepsnap" "$WINEPREFIX/drive_c/Documents"
unzip -q -o "$zip" -d "$WINEPREFIX/drive_c/Keepsnap"
# A DLL planted beside the setup, as in a Downloads folder, and in the folder
# the user works in; the control program shows whether this Wine loads it.
# Wine prefers its own DLLs: the override makes it search as Windows does.
cp "$KEEPSNAP_PLANT/uxtheme.dll" "$KEEPSNAP_PLANT/plant_control.exe" "$WINEPREFIX/drive_c/Keepsnap/"
cp "$KEEPSNAP_PLANT/uxtheme.dll" "$WINEPREFIX/drive_c/Documents/"
# A snapcopy.exe planted in a downloads folder, and a program in a folder of
# its own that runs the menu entry with that folder as its current one.
mkdir -p "$WINEPREFIX/drive_c/Downloads" "$WINEPREFIX/drive_c/Tools"
cp "$KEEPSNAP_PLANT/planted_snapcopy.exe" "$WINEPREFIX/drive_c/Downloads/snapcopy.exe"
cp "$KEEPSNAP_PLANT/verb_host.exe" "$WINEPREFIX/drive_c/Tools/"
# A stand-in PowerShell, which the test puts first on uninstall.cmd's path.
mkdir -p "$WINEPREFIX/drive_c/StandIn"
cp "$KEEPSNAP_PLANT/powershell.exe" "$WINEPREFIX/drive_c/StandIn/"
KEEPSNAP_DLL_OVERRIDES="uxtheme=n,b" KEEPSNAP_RELEASE='C:\Keepsnap' \
  "$here/wine-session.sh" run "$state" "$tests" --gtest_filter='Release.*'

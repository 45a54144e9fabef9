#!/usr/bin/env bash
# The Windows Installer package as an administrator deploys it, in a fresh
# prefix: refused values, a silent install with settings, a backup through
# the registered command, an upgrade to the next patch version made here from the same
# files, a repair, the zip's setup run after it, and the removal.
#   msi-test.sh WORK_DIR WINE_TESTS_EXE MSI [BUILD_DIR]
# With BUILD_DIR, MSI is first packed from that build's programs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1 tests=$2 msi=$3
source "$here/own-session.sh" "$work" msi "$msi" "${4:-}"
leftovers+=("$work/msi-files")
mkdir -p "$WINEPREFIX/drive_c/pkg" "$WINEPREFIX/drive_c/Documents"
cp "$msi" "$WINEPREFIX/drive_c/pkg/keepsnap.msi"
# The later version: the same files, built again as the next patch version.
rm -rf "$work/msi-files" && mkdir -p "$work/msi-files"
msiextract -C "$work/msi-files" "$msi" >/dev/null
files=$(dirname "$(find "$work/msi-files" -name snapsetup.exe | head -n 1)")
# The installer's check is no file of the product: it lives in the Binary table.
msiinfo extract "$msi" Binary.SettingsCheck >"$files/settings_check.dll"
source "$here/../../scripts/product.sh"
later=${KEEPSNAP_VERSION%.*}.$((${KEEPSNAP_VERSION##*.} + 1))
"$here/../../scripts/build-msi.sh" "$files" "$later" "$WINEPREFIX/drive_c/pkg/keepsnap-later.msi"
KEEPSNAP_LATER_VERSION=$later KEEPSNAP_PACKAGE='C:\pkg' "$here/wine-session.sh" run "$state" "$tests" --gtest_filter='Package.*'

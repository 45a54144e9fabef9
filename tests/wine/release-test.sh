#!/usr/bin/env bash
# The release as a user gets it: the zip (packed from the x86_64 build, since
# only that runs here) unpacked into a fresh prefix, set up, used, removed.
#   release-test.sh BUILD_DIR WINE_TESTS_EXE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1 tests=$2
state=$build/release-session
trap '"$here/wine-session.sh" stop "$state"' EXIT
"$here/../../scripts/package.sh" "$build" win64-test "$build/release" >/dev/null
"$here/wine-session.sh" start "$state" >/dev/null
source "$state/env"
mkdir -p "$WINEPREFIX/drive_c/Keepsnap"
unzip -q -o "$build/release/keepsnap-2.0.0-win64-test.zip" -d "$WINEPREFIX/drive_c/Keepsnap"
KEEPSNAP_RELEASE='C:\Keepsnap' "$here/wine-session.sh" run "$state" "$tests" --gtest_filter='Release.*'

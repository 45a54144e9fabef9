#!/usr/bin/env bash
# The release as a user gets it: the zip unpacked into a fresh prefix, set
# up, used, removed.
#   release-test.sh WORK_DIR WINE_TESTS_EXE ZIP [BUILD_DIR]
# With BUILD_DIR, ZIP is first packed from that build's programs; without it,
# ZIP is the release as shipped (scripts/package.sh makes it).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1 tests=$2 zip=$3 build=${4:-}
state=$work/release-session
if [ -n "$build" ]; then
  name=$(basename "$zip" .zip)
  "$here/../../scripts/package.sh" "$build" "${name#keepsnap-2.0.0-}" "$(dirname "$zip")" >/dev/null
fi
[ -f "$zip" ] || { echo "no release zip at $zip: run scripts/package.sh" >&2; exit 1; }
echo "release under test: $zip"
trap '"$here/wine-session.sh" stop "$state"' EXIT
"$here/wine-session.sh" start "$state" >/dev/null
source "$state/env"
mkdir -p "$WINEPREFIX/drive_c/Keepsnap"
unzip -q -o "$zip" -d "$WINEPREFIX/drive_c/Keepsnap"
KEEPSNAP_RELEASE='C:\Keepsnap' "$here/wine-session.sh" run "$state" "$tests" --gtest_filter='Release.*'

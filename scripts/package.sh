#!/usr/bin/env bash
# Packs a release: dist/keepsnap-2.0.0-ARCH.zip with both programs, help.html
# and uninstall.cmd, and a SHA-256 list of its files beside it. The same
# programs always give the same bytes: fixed times, fixed order, no extra fields.
#   package.sh [BUILD_DIR [NAME [OUT_DIR]]]   default build/win32, win32, dist
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/win32}
name=keepsnap-2.0.0-${2:-win32}
out=${3:-$root/dist}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$build/backup_command/snapcopy.exe" "$build/setup_utility/snapsetup.exe" \
   "$root/release/help.html" "$root/release/uninstall.cmd" "$stage/"
files=(help.html snapcopy.exe snapsetup.exe uninstall.cmd)
chmod 0644 "$stage"/*
TZ=UTC touch -d '2000-01-01 00:00:00' "$stage"/*
mkdir -p "$out"
rm -f "$out/$name.zip"
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$out/$name.zip" "${files[@]}")
(cd "$stage" && sha256sum "${files[@]}") >"$out/$name.sha256"
echo "$out/$name.zip"

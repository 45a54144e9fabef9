#!/usr/bin/env bash
# Builds the shipped i686 programs, the release zip and the package twice, from two copies
# of the sources at different paths, and checks the bytes are the same.
set -euo pipefail
# Signatures carry their own time: the unsigned build is what must repeat.
unset KEEPSNAP_SIGN_PFX KEEPSNAP_SIGN_KEY KEEPSNAP_SIGN_CERT
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/product.sh"
release=$(keepsnap_release_name win32)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for copy in first second-copy; do
  mkdir -p "$work/$copy/src"
  (cd "$root" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$work/$copy/src")
  cmake -S "$work/$copy/src" -B "$work/$copy/build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DKEEPSNAP_WERROR=ON -DKEEPSNAP_TESTS=OFF >/dev/null
  cmake --build "$work/$copy/build" -j"$(nproc)" >/dev/null
  "$root/scripts/package.sh" "$work/$copy/build" win32 "$work/$copy/dist" >/dev/null 2>&1
done
status=0
for f in build/backup_command/snapcopy.exe build/setup_utility/snapsetup.exe dist/$release.zip \
         dist/$release.msi dist/$release.sha256; do
  if cmp -s "$work/first/$f" "$work/second-copy/$f"; then
    echo "ok   same bytes: $(basename "$f") ($(stat -c %s "$work/first/$f") bytes)"
  else
    echo "FAIL differs between the two builds: $f"
    status=1
  fi
done
exit $status

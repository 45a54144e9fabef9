#!/usr/bin/env bash
# Builds the three builds from the same sources:
#   build/native  the portable core and its unit tests (Linux)
#   build/win64   x86_64 programs and the Wine tests (what runs here)
#   build/win32   i686 programs: what ships, and the i686 keys driver and
#                 benchmark floors that the WoW64 Wine runs beside them
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$jobs"
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build/win64 -j"$jobs"
# What ships: warnings fail it.
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DKEEPSNAP_WERROR=ON >/dev/null
cmake --build build/win32 -j"$jobs"
echo "programs: build/win32/backup_command/snapcopy.exe build/win32/setup_utility/snapsetup.exe"

#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each for a bounded time.
#   run.sh [SECONDS_PER_TARGET]     default 15; give more to search longer
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-15}
out=$root/build/fuzz
mkdir -p "$out"
# product.h: made from product.env by CMake, as the native build's configure makes it.
cmake -S "$root" -B "$root/build/native" >/dev/null
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root" \
  -I"$root/build/native/generated" \
  "$root/tests/fuzz/fuzz_targets.cpp" "$root"/core/{code_page,command_line,dropped_files,names,path_text,settings,setup_update}.cpp \
  -o "$out/keepsnap_fuzz"
status=0
for target in 0 1 2 3 4; do
  corpus=$out/corpus-$target
  mkdir -p "$corpus"
  # Seeds: the cases the unit tests use, with the byte that picks the target
  # (its value modulo 5; 20 more sets the bit that picks code page 932).
  case $target in
    0) seeds=('snapcopy.exe C:\Docs\report.txt' '"C:\Win dows\snapcopy.exe" C:\My Docs\a b.txt  ' '"C:\x' '') ;;
    1) seeds=($'1\0' '12' "$(printf 'f%.0s' {1..130})" $'ab\0cd') ;;
    2) seeds=($'C:\\Docs\\report.txt\x010\x011\x010\x01backup' $'C:\\Docs\\.profile\x011\x012' $'C:\\Old.Docs\\README'
              $'C:\\Docs\\\x95\x5c\\r.\x95\x5c\x010\x011\x010\x01b' 'README' '.profile') ;;
    3) seeds=($'old\x01\x03\x03\x03\x03' $'\x01\x00\x01\x02\x03' "$(printf 'x%.0s' {1..30})") ;;
    4) seeds=($'\x14\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x01\0\0\0C\0:\0\\\0a\0\0\0\0\0' $'\x14\0\0\0') ;;
  esac
  i=0
  for seed in "${seeds[@]}"; do
    printf "\\x$(printf %02x $((target + 20 * (i % 2) + 100)))%s" "$seed" >"$corpus/seed-$i"
    i=$((i + 1))
  done
  echo "fuzz target $target: ${seconds}s"
  if ! "$out/keepsnap_fuzz" -max_total_time="$seconds" -print_final_stats=0 "$corpus" >"$out/log-$target" 2>&1; then
    tail -n 30 "$out/log-$target"
    status=1
  else
    grep -E '^#[0-9]+.*(DONE|pulse)' "$out/log-$target" | tail -n 1 || true
  fi
done
exit $status

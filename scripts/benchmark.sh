#!/usr/bin/env bash
# What a user feels: the time from picking the entry to the copy being there.
# Times snapcopy.exe from start to exit under Wine, taking turns with two
# floors built here (a program that only calls CopyFileA, and one that also
# reads the held keys), on a small and a 256 MiB file, and the Linux cp of
# the large one; then the shipped programs' sizes and imports and the peak
# memory of each program. Prints a Markdown table. Not a test: figures
# belong to the machine they were taken on.
#   scripts/benchmark.sh [SMALL_RUNS [LARGE_RUNS]]
set -euo pipefail
cd "$(dirname "$0")/.."
small_runs=${1:-31} large_runs=${2:-9}
scripts/setup-machine.sh
scripts/build.sh >/dev/null
export TZ=UTC
state=$PWD/build/bench-session
trap 'tests/wine/wine-session.sh stop "$state"' EXIT
tests/wine/wine-session.sh start "$state" >/dev/null
source "$state/env"
export WINEPREFIX DISPLAY WINEDEBUG=-all WINELOADER=/usr/lib/wine/wine64
wine=/usr/lib/wine/wine64
# Keeps the session's wineserver up between runs, as it is on a desktop.
/usr/lib/wine/wineserver -p
win=$WINEPREFIX/drive_c/windows
cp build/win64/backup_command/snapcopy.exe build/win64/setup_utility/snapsetup.exe \
   build/win64/tests/bench/copy_only.exe build/win64/tests/bench/copy_with_keys.exe "$win/"
driver=build/win64/tests/bench/bench_driver.exe

# The settings the setup starts with: year first, no separator, file date.
for pair in date_mode:0 date_separator:0 date_to_use:0 backup_folder:backup; do
  $wine reg add "HKLM\\Software\\Morvane\\Keepsnap\\${pair%%:*}" /ve /d "${pair#*:}" /reg:32 /f >/dev/null
done

data=$WINEPREFIX/drive_c/bench
rm -rf "$data" && mkdir -p "$data"
head -c 4096 /dev/urandom >"$data/small.dat"
head -c $((256 << 20)) /dev/urandom >"$data/large.dat"
touch -d '2003-09-20 12:00:00' "$data/small.dat" "$data/large.dat"
cat "$data/large.dat" >/dev/null  # every program finds it in the page cache

median_of() { sort -n | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }

# One file: the three programs in turn. Prints "snapcopy floor keys_floor" medians in ms.
time_programs() {
  local file=$1 runs=$2
  $wine "$driver" "$runs" \
    "C:\\bench\\$file-20030920.dat" "snapcopy.exe C:\\bench\\$file.dat" \
    "C:\\bench\\$file.dat.bak" "copy_only.exe C:\\bench\\$file.dat" \
    "C:\\bench\\$file.dat.keys.bak" "copy_with_keys.exe C:\\bench\\$file.dat" | awk '{printf "%s ", $1} END {print ""}'
}
read -r small_ours small_floor small_keys < <(time_programs small "$small_runs")
read -r large_ours large_floor large_keys < <(time_programs large "$large_runs")
large_cp=$(for _ in $(seq "$large_runs"); do
  rm -f "$data/large.cp"
  start=$(date +%s%N); cp "$data/large.dat" "$data/large.cp"; end=$(date +%s%N)
  sync "$data/large.cp"
  awk -v ns=$((end - start)) 'BEGIN {printf "%.2f\n", ns / 1e6}'
done | median_of)
rm -f "$data"/large-* "$data"/large.dat.* "$data/large.cp"

# Peak resident memory in KiB of one run, the Wine process as Linux sees it.
peak_kib() {
  python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$wine" "$@"
}
peak_small=$(peak_kib 'C:\windows\snapcopy.exe' 'C:\bench\small.dat')
peak_small_floor=$(peak_kib 'C:\windows\copy_only.exe' 'C:\bench\small.dat')
peak_large=$(peak_kib 'C:\windows\snapcopy.exe' 'C:\bench\large.dat')
peak_large_floor=$(peak_kib 'C:\windows\copy_only.exe' 'C:\bench\large.dat')
(sleep 1; $wine "$driver" --cancel "Morvane Keepsnap Setup") &
peak_setup=$(peak_kib 'C:\windows\snapsetup.exe')
wait

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f\n", a / b}'; }
size() { stat -c %s "$1"; }
imports() { x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ {print $3}' | sort -f | paste -sd, | sed 's/,/, /g'; }
ours_i686=build/win32/backup_command/snapcopy.exe setup_i686=build/win32/setup_utility/snapsetup.exe

cat <<TABLE
Measured $(date -u +%Y-%m-%d) with \`scripts/benchmark.sh $small_runs $large_runs\` on $(nproc) CPUs,
$(/usr/lib/wine/wine64 --version 2>/dev/null || wine --version), medians over turns taken in one Wine session (x86_64 build).

| Figure | snapcopy | CopyFileA only | + held keys | ratio to CopyFileA only (goal ≤ 1.05) | ratio to + held keys |
|---|---|---|---|---|---|
| start to exit, 4 KiB file | $small_ours ms | $small_floor ms | $small_keys ms | $(ratio "$small_ours" "$small_floor") | $(ratio "$small_ours" "$small_keys") |
| start to exit, 256 MiB file | $large_ours ms | $large_floor ms | $large_keys ms | $(ratio "$large_ours" "$large_floor") | $(ratio "$large_ours" "$large_keys") |
| Linux \`cp\` of the 256 MiB file | $large_cp ms | | | snapcopy / cp: $(ratio "$large_ours" "$large_cp") | |
| peak memory, 4 KiB file | $peak_small KiB | $peak_small_floor KiB | | | |
| peak memory, 256 MiB file | $peak_large KiB | $peak_large_floor KiB | | | |

| Shipped program (i686) | Size (goal < 262144 bytes) | Imports | Peak memory (x86_64 under Wine) |
|---|---|---|---|
| snapcopy.exe | $(size $ours_i686) bytes | $(imports $ours_i686) | $peak_small KiB (4 KiB file) |
| snapsetup.exe | $(size $setup_i686) bytes | $(imports $setup_i686) | $peak_setup KiB (dialog open, then Cancel) |
TABLE

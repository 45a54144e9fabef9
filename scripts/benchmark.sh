#!/usr/bin/env bash
# What a user feels: the time from picking the entry to the copy being there.
# Times snapcopy.exe from start to exit under Wine, taking turns with floors
# built from the same source for the same target (a program that only calls
# CopyFileA, one that also reads the held keys, and one that copies and
# flushes the copy to the disk), on a small and a 256 MiB file; twice: the
# x86_64 build under Debian 12's Wine and the shipped i686 build under the
# WoW64 Wine. Ratios are taken within each turn, snapcopy and a floor run
# back to back, and given as the median over the turns with the quartiles,
# which a busy machine moves far less than separate medians. Then the Linux
# cp of the large file, the shipped programs' sizes and imports and each
# program's peak memory. A folder's backup is timed the same way against a
# floor that walks the tree and copies and flushes every file
# (tests/bench/copy_tree.cpp), built once as it is, once reading the held
# keys first, as snapcopy does, once flushing last and once never flushing
# (what durability costs): 2,000 files of 4 KiB in 40 folders, and
# 256 MiB in 4 files; and its peak memory on a tree of 20,000 entries.
# Selections handed over through the verb's DropTarget are timed against a
# command line started for each item, against the tree floor, and against a
# bare COM server handed the same selection the same way
# (tests/bench/drop_floor.cpp), which shows what COM itself costs here.
# Where the kernel runs no 32-bit code (scripts/setup-machine.sh exits 3) only
# the x86_64 build is measured, and the table says so.
# Prints a Markdown table. Not a test: figures belong to the machine they
# were taken on.
#   scripts/benchmark.sh [SMALL_RUNS [LARGE_RUNS]]
set -euo pipefail
source "$(dirname "$0")/one-run.sh" "$@"
source "$(dirname "$0")/product.sh"
cd "$(dirname "$0")/.."
small_runs=${1:-31} large_runs=${2:-9}
i686=yes
scripts/setup-machine.sh >/dev/null || case $? in
  3) i686=no ;;
  *) exit 1 ;;
esac
scripts/build.sh >/dev/null
export TZ=UTC WINEDEBUG=-all
driver=build/win64/tests/bench/bench_driver.exe
data_unix=$PWD/build/bench-data
trap 'for t in x86_64 i686; do tests/wine/wine-session.sh stop "build/bench-$t" 2>/dev/null || true; done
      scripts/wow64-wine.sh umount; rm -rf "$data_unix"' EXIT
mkdir -p "$data_unix"
head -c 4096 /dev/urandom >"$data_unix/small.dat"
head -c $((256 << 20)) /dev/urandom >"$data_unix/large.dat"
# The trees: many small files, a few large ones, and 20,000 entries.
for f in $(seq 40); do
  mkdir -p "$data_unix/tree/folder$f"
  for n in $(seq 50); do head -c 4096 /dev/urandom >"$data_unix/tree/folder$f/file$n.dat"; done
done
mkdir -p "$data_unix/bigtree"
for n in 1 2 3 4; do head -c $((64 << 20)) /dev/urandom >"$data_unix/bigtree/part$n.dat"; done
for f in $(seq 200); do
  mkdir -p "$data_unix/wide/folder$f"
  (cd "$data_unix/wide/folder$f" && touch $(seq -f 'entry%g' 99))
done
# Selections handed over as Explorer hands them: 1, 15 and 1,000 files of
# 4 KiB (the last twice: once for the tree floor), and 10,000 items.
for count in 1 15 1000; do
  mkdir -p "$data_unix/sel$count"
  for n in $(seq "$count"); do head -c 4096 /dev/urandom >"$data_unix/sel$count/file$n.dat"; done
done
cp -r "$data_unix/sel1000" "$data_unix/sel1000-floor"
mkdir -p "$data_unix/sel10000"
(cd "$data_unix/sel10000" && seq -f 'file%g.dat' 10000 | xargs touch)

median_of() { sort -n | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }

# measure TARGET WINE BUILD: prints the medians in ms (small: snapcopy, floor,
# keys floor; large: the same) and the peak memory in KiB (snapcopy and the
# floor on each file, the setup with its dialog open).
measure() {
  local target=$1 build=$3 state=$PWD/build/bench-$1
  export KEEPSNAP_WINE=$2
  tests/wine/wine-session.sh start "$state" >/dev/null
  (
    source "$state/env"
    export WINEPREFIX DISPLAY
    source tests/wine/wine-env.sh
    wine() { in_wine "$@"; }
    export WINELOADER=$loader
    # Keeps the session's wineserver up between runs, as it is on a desktop.
    wine $wineserver -p
    win=$WINEPREFIX/drive_c/windows
    cp "$build/backup_command/snapcopy.exe" "$build/setup_utility/snapsetup.exe" \
       "$build/tests/bench/copy_only.exe" "$build/tests/bench/copy_with_keys.exe" \
       "$build/tests/bench/copy_and_flush.exe" "$build/tests/bench/copy_keys_and_flush.exe" \
       "$build/tests/bench/copy_tree.exe" "$build/tests/bench/copy_tree_with_keys.exe" \
       "$build/tests/bench/copy_tree_flush_last.exe" "$build/tests/bench/copy_tree_no_flush.exe" \
       "$build/tests/bench/drop_floor.exe" "$driver" "$win/"
    # The settings the setup starts with: year first, no separator, file date.
    for pair in date_mode:0 date_separator:0 date_to_use:0 backup_folder:backup; do
      wine $loader reg add "HKLM\\$KEEPSNAP_SETTINGS_KEY\\${pair%%:*}" /ve /d "${pair#*:}" /reg:32 /f >/dev/null
    done
    # The class of the verb's DropTarget, served by the installed program.
    wine $loader reg add "HKLM\\Software\\Classes\\CLSID\\$KEEPSNAP_DROP_CLSID\\LocalServer32" /ve \
      /d '"C:\windows\snapcopy.exe"' /f >/dev/null
    # And the bare server that stands for COM's own part (drop_floor.cpp).
    wine $loader 'C:\windows\drop_floor.exe' /RegServer
    data=$WINEPREFIX/drive_c/bench
    mkdir -p "$data"
    cp "$data_unix/small.dat" "$data_unix/large.dat" "$data/"
    cp -r "$data_unix/tree" "$data_unix/bigtree" "$data_unix/wide" "$data_unix"/sel* "$data/"
    touch -d '2003-09-20 12:00:00' "$data/small.dat" "$data/large.dat"
    find "$data/tree" "$data/bigtree" "$data/wide" "$data"/sel* -exec touch -d '2003-09-20 12:00:00' {} +
    cat "$data/large.dat" >/dev/null  # every program finds it in the page cache
    # Prints each command's median, then each ratio's median and quartiles.
    time_programs() {
      local runs=$1
      shift
      wine $loader 'C:\windows\bench_driver.exe' "$runs" "$@" |
        awk '$1 == "ratio" {printf "%s %s %s ", $2, $3, $4; next} {printf "%s ", $1}'
    }
    local small='C:\bench\small' large='C:\bench\large'
    time_programs "$small_runs" "$small-20030920.dat" "snapcopy.exe $small.dat" \
      "$small.dat.bak" "copy_only.exe $small.dat" "$small.dat.keys.bak" "copy_with_keys.exe $small.dat"
    time_programs "$large_runs" "$large-20030920.dat" "snapcopy.exe $large.dat" \
      "$large.dat.flushed.bak" "copy_and_flush.exe $large.dat" "$large.dat.bak" "copy_only.exe $large.dat" \
      "$large.dat.keys.flushed.bak" "copy_keys_and_flush.exe $large.dat"
    local tree='C:\bench\tree' bigtree='C:\bench\bigtree'
    local folder
    for folder in "$tree" "$bigtree"; do
      time_programs "$large_runs" "$folder-20030920" "snapcopy.exe $folder" \
        "$folder.keys.bak" "copy_tree_with_keys.exe $folder" "$folder.tree.bak" "copy_tree.exe $folder" \
        "$folder.last.bak" "copy_tree_flush_last.exe $folder" "$folder.noflush.bak" "copy_tree_no_flush.exe $folder"
    done
    # A selection through the DropTarget against a command line started for
    # each item at once, as the shell starts them; one file either way; 1,000
    # files (into the backup folder) against the tree floor over the same.
    # Each also against the bare COM server, handed the same selection the
    # same way: what COM itself costs under this Wine.
    local sel='C:\bench\sel' drive='C:\windows\bench_driver.exe'
    time_programs "$small_runs" "${sel}15\file1-20030920.dat" "$drive --drop ${sel}15" \
      "${sel}15\file1-20030920.dat" "$drive --starts ${sel}15" "${sel}15\floor" "$drive --drop-floor ${sel}15"
    time_programs "$small_runs" "${sel}1\file1-20030920.dat" "$drive --drop ${sel}1" \
      "${sel}1\file1-20030920.dat" "$drive --starts ${sel}1" "${sel}1\floor" "$drive --drop-floor ${sel}1"
    time_programs "$large_runs" "${sel}1000\backup" "$drive --drop ${sel}1000 keys" \
      "${sel}1000-floor.keys.bak" "copy_tree_with_keys.exe ${sel}1000-floor" \
      "${sel}1000\floor" "$drive --drop-floor ${sel}1000"
    # The server's peak, as Linux sees its process: COM starts it, not this.
    (
      peak=0 pid=
      for _ in $(seq 2400); do
        # Finding none is no failure of this look: under pipefail it would
        # end the subshell before it wrote anything.
        pid=$(pgrep -x snapcopy.exe | head -n 1 || true)
        [ -n "$pid" ] && break
        sleep 0.05
      done
      while [ -n "$pid" ] && [ -r "/proc/$pid/status" ]; do
        now=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
        [ -n "$now" ] && [ "$now" -gt "$peak" ] && peak=$now
        sleep 0.05
      done
      echo "$peak" >"$data_unix/peak-selection"
    ) &
    wine $loader "$drive" --drop "${sel}10000" keys >/dev/null
    wait
    # A figure that could not be had is "–", never an empty field that
    # would shift every figure after it.
    printf '%s ' "$(cat "$data_unix/peak-selection" 2>/dev/null || echo –)"
    # Peak resident memory in KiB of one run, the Wine processes as Linux sees them.
    peak_kib() {
      python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, end=" ")' "$@"
    }
    rm -rf "$data"/large-* "$data"/large.dat.* "$data"/tree-* "$data"/bigtree* "$data"/sel*
    local program
    for program in 'snapcopy.exe C:\bench\small.dat' 'copy_only.exe C:\bench\small.dat' \
                   'snapcopy.exe C:\bench\large.dat' 'copy_only.exe C:\bench\large.dat' \
                   'snapcopy.exe C:\bench\wide'; do
      if [ "$KEEPSNAP_WINE" = wow64 ]; then
        peak_kib scripts/wow64-wine.sh run / $loader "C:\\windows\\${program%% *}" "${program#* }"
      else
        peak_kib setarch "$(uname -m)" -R $loader "C:\\windows\\${program%% *}" "${program#* }"
      fi
    done
    (sleep 2; wine $loader 'C:\windows\bench_driver.exe' --cancel "$KEEPSNAP_MAKER $KEEPSNAP_PRODUCT Setup") &
    if [ "$KEEPSNAP_WINE" = wow64 ]; then
      peak_kib scripts/wow64-wine.sh run / $loader 'C:\windows\snapsetup.exe'
    else
      peak_kib setarch "$(uname -m)" -R $loader 'C:\windows\snapsetup.exe'
    fi
    wait
    echo
  )
  tests/wine/wine-session.sh stop "$state"
}

# small: snapcopy, CopyFileA only, + keys, then the two ratios (median q1 q3);
# large: snapcopy, copy and flush, CopyFileA only, keys, copy and flush, then
# the three ratios; then the two trees: snapcopy, the floor that reads the
# keys, the floor as it is, the floor that reads the keys and flushes every
# copy last, the one that reads the keys and never flushes, then the four
# ratios; then the selections: 15 files dropped,
# started and dropped on the bare server, 1 file the same, 1,000 files
# dropped, the tree floor and the bare server, each one's two ratios, and the
# peak of the run for 10,000 items; then the peak memory
# figures, the tree of 20,000 entries last but for the setup.
fields='s sf sk rf rf1 rf3 rk rk1 rk3 l lfl lf lkf rfl rfl1 rfl3 rlf rlf1 rlf3 rkf rkf1 rkf3
  t tk tf tl tn rtk rtk1 rtk3 rt rt1 rt3 rtl rtl1 rtl3 rtn rtn1 rtn3
  b bk bf bl bn rbk rbk1 rbk3 rb rb1 rb3 rbl rbl1 rbl3 rbn rbn1 rbn3
  d15 s15 c15 rd15 rd151 rd153 rc15 rc151 rc153 d1 s1 c1 rd1 rd11 rd13 rc1 rc11 rc13
  d1k f1k c1k rd1k rd1k1 rd1k3 rc1k rc1k1 rc1k3 pd
  ps psf pl plf pw pset'
read -r $(for f in $fields; do printf 'x_%s ' "$f"; done) < <(measure x86_64 wine8 build/win64)
if [ "$i686" = yes ]; then
  read -r $(for f in $fields; do printf 'i_%s ' "$f"; done) < <(measure i686 wow64 build/win32)
else
  for f in $fields; do printf -v "i_$f" '%s' '–'; done
  echo "benchmark: this machine's kernel runs no 32-bit code: the shipped i686 build is not measured" >&2
fi
large_cp=$(for _ in $(seq "$large_runs"); do
  rm -f "$data_unix/large.cp"
  start=$(date +%s%N); cp "$data_unix/large.dat" "$data_unix/large.cp"; end=$(date +%s%N)
  sync "$data_unix/large.cp"
  awk -v ns=$((end - start)) 'BEGIN {printf "%.2f\n", ns / 1e6}'
done | median_of)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f\n", a / b}'; }
spread() {
  if [ "$1" = – ]; then echo –; return; fi
  awk -v m="$1" -v a="$2" -v b="$3" 'BEGIN {printf "%.2f (%.2f to %.2f)\n", m, a, b}'
}
less() {
  if [ "$1" = – ]; then echo –; return; fi
  awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f\n", a - b}'
}
size() { stat -c %s "$1"; }
imports() { x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ {print $3}' | sort -f | paste -sd, | sed 's/,/, /g'; }
ours_i686=build/win32/backup_command/snapcopy.exe setup_i686=build/win32/setup_utility/snapsetup.exe
wine8=$(tests/wine/wine-session.sh version)
wow64="(not run here: this machine runs no 32-bit code)"
[ "$i686" = no ] || wow64=$(KEEPSNAP_WINE=wow64 tests/wine/wine-session.sh version)

cat <<TABLE
Measured $(date -u +%Y-%m-%d) with \`scripts/benchmark.sh $small_runs $large_runs\` on $(nproc) CPUs:
the x86_64 build under $wine8 and the shipped i686 build under $wow64 (WoW64),
one Wine session per build, each build's floors built for its target. Times
are medians over the turns; a ratio is snapcopy's time over the floor's within
each turn, given as the median over the turns with the middle half of them.

| Figure | Build | snapcopy | floor | per-turn ratio, median (middle half) | goal |
|---|---|---|---|---|---|
| 4 KiB file, against the floor that reads the keys | x86_64 | $x_s ms | $x_sk ms | $(spread "$x_rk" "$x_rk1" "$x_rk3") | ≤ 1.10 |
| 4 KiB file, against the floor that reads the keys | i686 (shipped) | $i_s ms | $i_sk ms | $(spread "$i_rk" "$i_rk1" "$i_rk3") | ≤ 1.10 |
| 4 KiB file, against CopyFileA only | x86_64 | $x_s ms | $x_sf ms | $(spread "$x_rf" "$x_rf1" "$x_rf3") | |
| 4 KiB file, against CopyFileA only | i686 (shipped) | $i_s ms | $i_sf ms | $(spread "$i_rf" "$i_rf1" "$i_rf3") | |
| 256 MiB file, against copy and flush | x86_64 | $x_l ms | $x_lfl ms | $(spread "$x_rfl" "$x_rfl1" "$x_rfl3") | ≤ 1.10 |
| 256 MiB file, against copy and flush | i686 (shipped) | $i_l ms | $i_lfl ms | $(spread "$i_rfl" "$i_rfl1" "$i_rfl3") | ≤ 1.10 |
| 256 MiB file, against reading the keys, copy and flush | x86_64 | $x_l ms | $x_lkf ms | $(spread "$x_rkf" "$x_rkf1" "$x_rkf3") | |
| 256 MiB file, against reading the keys, copy and flush | i686 (shipped) | $i_l ms | $i_lkf ms | $(spread "$i_rkf" "$i_rkf1" "$i_rkf3") | |
| 256 MiB file, against CopyFileA only (no flush) | x86_64 | $x_l ms | $x_lf ms | $(spread "$x_rlf" "$x_rlf1" "$x_rlf3") | |
| 256 MiB file, against CopyFileA only (no flush) | i686 (shipped) | $i_l ms | $i_lf ms | $(spread "$i_rlf" "$i_rlf1" "$i_rlf3") | |
| the flush's own cost, 256 MiB (copy and flush less CopyFileA only) | x86_64 | | $(less "$x_lfl" "$x_lf") ms | | |
| the flush's own cost, 256 MiB (copy and flush less CopyFileA only) | i686 (shipped) | | $(less "$i_lfl" "$i_lf") ms | | |
| Linux \`cp\` of the 256 MiB file, no flush | | | $large_cp ms | | |
| folder of 2,000 files of 4 KiB in 40 folders, against the tree floor that reads the keys and flushes as it goes | x86_64 | $x_t ms | $x_tk ms | $(spread "$x_rtk" "$x_rtk1" "$x_rtk3") | ≤ 0.90 |
| folder of 2,000 files of 4 KiB in 40 folders, against the tree floor that reads the keys and flushes as it goes | i686 (shipped) | $i_t ms | $i_tk ms | $(spread "$i_rtk" "$i_rtk1" "$i_rtk3") | ≤ 0.90 |
| folder of 2,000 files of 4 KiB in 40 folders, against the tree floor that reads the keys and flushes last | x86_64 | $x_t ms | $x_tl ms | $(spread "$x_rtl" "$x_rtl1" "$x_rtl3") | ≤ 1.15 |
| folder of 2,000 files of 4 KiB in 40 folders, against the tree floor that reads the keys and flushes last | i686 (shipped) | $i_t ms | $i_tl ms | $(spread "$i_rtl" "$i_rtl1" "$i_rtl3") | ≤ 1.15 |
| folder of 2,000 files of 4 KiB in 40 folders, against the tree floor that reads the keys and never flushes | x86_64 | $x_t ms | $x_tn ms | $(spread "$x_rtn" "$x_rtn1" "$x_rtn3") | (≤ 1.40) |
| folder of 2,000 files of 4 KiB in 40 folders, against the tree floor that reads the keys and never flushes | i686 (shipped) | $i_t ms | $i_tn ms | $(spread "$i_rtn" "$i_rtn1" "$i_rtn3") | (≤ 1.40) |
| folder of 2,000 files of 4 KiB in 40 folders, against the tree floor without the keys | x86_64 | $x_t ms | $x_tf ms | $(spread "$x_rt" "$x_rt1" "$x_rt3") | |
| folder of 2,000 files of 4 KiB in 40 folders, against the tree floor without the keys | i686 (shipped) | $i_t ms | $i_tf ms | $(spread "$i_rt" "$i_rt1" "$i_rt3") | |
| folder of 256 MiB in 4 files, against the tree floor that reads the keys | x86_64 | $x_b ms | $x_bk ms | $(spread "$x_rbk" "$x_rbk1" "$x_rbk3") | ≤ 1.10 |
| folder of 256 MiB in 4 files, against the tree floor that reads the keys | i686 (shipped) | $i_b ms | $i_bk ms | $(spread "$i_rbk" "$i_rbk1" "$i_rbk3") | ≤ 1.10 |
| folder of 256 MiB in 4 files, against the tree floor without the keys | x86_64 | $x_b ms | $x_bf ms | $(spread "$x_rb" "$x_rb1" "$x_rb3") | |
| folder of 256 MiB in 4 files, against the tree floor without the keys | i686 (shipped) | $i_b ms | $i_bf ms | $(spread "$i_rb" "$i_rb1" "$i_rb3") | |
| folder of 256 MiB in 4 files, against the tree floor that reads the keys and never flushes | x86_64 | $x_b ms | $x_bn ms | $(spread "$x_rbn" "$x_rbn1" "$x_rbn3") | (≤ 1.40) |
| folder of 256 MiB in 4 files, against the tree floor that reads the keys and never flushes | i686 (shipped) | $i_b ms | $i_bn ms | $(spread "$i_rbn" "$i_rbn1" "$i_rbn3") | (≤ 1.40) |
| folder of 256 MiB in 4 files, against the tree floor that reads the keys and flushes last | x86_64 | $x_b ms | $x_bl ms | $(spread "$x_rbl" "$x_rbl1" "$x_rbl3") | |
| folder of 256 MiB in 4 files, against the tree floor that reads the keys and flushes last | i686 (shipped) | $i_b ms | $i_bl ms | $(spread "$i_rbl" "$i_rbl1" "$i_rbl3") | |

| Selection, handed over as Explorer hands it | Build | through the DropTarget | against | per-turn ratio, median (middle half) | goal |
|---|---|---|---|---|---|
| 15 files of 4 KiB, against 15 command-line starts at once | x86_64 | $x_d15 ms | $x_s15 ms | $(spread "$x_rd15" "$x_rd151" "$x_rd153") | ≤ 0.35 |
| 15 files of 4 KiB, against 15 command-line starts at once | i686 (shipped) | $i_d15 ms | $i_s15 ms | $(spread "$i_rd15" "$i_rd151" "$i_rd153") | ≤ 0.35 |
| 15 files of 4 KiB, against the bare COM server | x86_64 | $x_d15 ms | $x_c15 ms | $(spread "$x_rc15" "$x_rc151" "$x_rc153") | |
| 15 files of 4 KiB, against the bare COM server | i686 (shipped) | $i_d15 ms | $i_c15 ms | $(spread "$i_rc15" "$i_rc151" "$i_rc153") | |
| 1 file of 4 KiB, against one command-line start | x86_64 | $x_d1 ms | $x_s1 ms | $(spread "$x_rd1" "$x_rd11" "$x_rd13") | ≤ 1.25 |
| 1 file of 4 KiB, against one command-line start | i686 (shipped) | $i_d1 ms | $i_s1 ms | $(spread "$i_rd1" "$i_rd11" "$i_rd13") | ≤ 1.25 |
| 1 file of 4 KiB, against the bare COM server | x86_64 | $x_d1 ms | $x_c1 ms | $(spread "$x_rc1" "$x_rc11" "$x_rc13") | |
| 1 file of 4 KiB, against the bare COM server | i686 (shipped) | $i_d1 ms | $i_c1 ms | $(spread "$i_rc1" "$i_rc11" "$i_rc13") | |
| 1,000 files of 4 KiB, against the tree floor over the same files | x86_64 | $x_d1k ms | $x_f1k ms | $(spread "$x_rd1k" "$x_rd1k1" "$x_rd1k3") | ≤ 1.25 |
| 1,000 files of 4 KiB, against the tree floor over the same files | i686 (shipped) | $i_d1k ms | $i_f1k ms | $(spread "$i_rd1k" "$i_rd1k1" "$i_rd1k3") | ≤ 1.25 |
| 1,000 files of 4 KiB, against the bare COM server | x86_64 | $x_d1k ms | $x_c1k ms | $(spread "$x_rc1k" "$x_rc1k1" "$x_rc1k3") | |
| 1,000 files of 4 KiB, against the bare COM server | i686 (shipped) | $i_d1k ms | $i_c1k ms | $(spread "$i_rc1k" "$i_rc1k1" "$i_rc1k3") | |
| peak memory of the run for 10,000 items (goal under 40960 KiB) | x86_64 | $x_pd KiB | | | |
| peak memory of the run for 10,000 items (goal under 40960 KiB) | i686 (shipped) | $i_pd KiB | | | |

| Peak memory | Build | snapcopy | CopyFileA only |
|---|---|---|---|
| 4 KiB file | x86_64 | $x_ps KiB | $x_psf KiB |
| 4 KiB file | i686 (shipped) | $i_ps KiB | $i_psf KiB |
| 256 MiB file | x86_64 | $x_pl KiB | $x_plf KiB |
| 256 MiB file | i686 (shipped) | $i_pl KiB | $i_plf KiB |
| folder of 20,000 entries (goal under 40960 KiB) | x86_64 | $x_pw KiB | |
| folder of 20,000 entries (goal under 40960 KiB) | i686 (shipped) | $i_pw KiB | |

| Shipped program (i686) | Size (goal < 262144 bytes) | Imports | Peak memory under the WoW64 Wine |
|---|---|---|---|
| snapcopy.exe | $(size $ours_i686) bytes | $(imports $ours_i686) | $i_ps KiB (4 KiB file) |
| snapsetup.exe | $(size $setup_i686) bytes | $(imports $setup_i686) | $i_pset KiB (dialog open, then Cancel) |
TABLE

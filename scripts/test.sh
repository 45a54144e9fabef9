#!/usr/bin/env bash
# Runs every test: the unit tests, the checks of the built programs (i686 and
# x86_64), and the programs themselves under Wine. Installs what is missing.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup-machine.sh || exit 1
scripts/build.sh || exit 1

passed=0 failed=0
tally() {  # adds a ctest summary line's counts
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  local bad total
  bad=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}
log=$(mktemp -d)

echo "== unit tests (native)"
(cd build/native && ctest --output-on-failure) | tee "$log/native"
tally "$log/native"

echo "== built programs"
for arch in win32:i686 win64:x86_64; do
  dir=${arch%%:*} name=${arch##*:}
  for program in backup_command/snapcopy setup_utility/snapsetup; do
    if python3 tests/build/check_program.py "$(basename $program)" "build/$dir/$program.exe" "$name" >"$log/check" 2>&1; then
      passed=$((passed + 1)); tail -n 1 "$log/check"
    else
      failed=$((failed + 1)); cat "$log/check"
    fi
  done
done

echo "== fuzzing the code that takes outside input (15 s a target)"
if tests/fuzz/run.sh 15; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== reproducible release"
if tests/build/reproducible.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== programs under Wine"
(cd build/win64 && TZ=UTC ctest --output-on-failure) | tee "$log/wine"
tally "$log/wine"

rm -rf "$log"
echo "keepsnap: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

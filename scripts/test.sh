#!/usr/bin/env bash
# Runs every test: the unit tests, the checks of the built programs (i686 and
# x86_64) and of the package's tables, fuzzing, the reproducible and the signed release, and the programs
# themselves under Wine, twice: the x86_64 build under Debian 12's Wine and
# the shipped i686 programs and release zip under the WoW64 Wine. Installs
# what is missing.
set -uo pipefail
source "$(dirname "$0")/one-run.sh" "$@"
cd "$(dirname "$0")/.."
# Where the kernel runs no 32-bit code (setup-machine.sh exits 3), the shipped
# i686 programs cannot run under any Wine: their suites are counted as
# skipped, said so, and everything else runs.
i686=yes
scripts/setup-machine.sh || case $? in
  3) i686=no ;;
  *) echo "keepsnap: the machine could not be prepared (see above)"; exit 1 ;;
esac
scripts/build.sh || exit 1
scripts/package.sh || exit 1
# Whatever the tests mounted inside the WoW64 chroot goes, pass or fail.
trap 'scripts/wow64-wine.sh umount' EXIT

passed=0 failed=0 skipped=0
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
  for program in backup_command/snapcopy.exe setup_utility/snapsetup.exe installer_check/settings_check.dll; do
    kind=$(basename "${program%.*}")
    if python3 tests/build/check_program.py "$kind" "build/$dir/$program" "$name" >"$log/check" 2>&1; then
      passed=$((passed + 1)); tail -n 1 "$log/check"
    else
      failed=$((failed + 1)); cat "$log/check"
    fi
  done
done

# The Windows 11 menu's DLL exists for x86_64 alone.
if python3 tests/build/check_program.py keepsnap_menu build/win64/menu_command/keepsnap_menu.dll x86_64 \
     >"$log/check" 2>&1; then
  passed=$((passed + 1)); tail -n 1 "$log/check"
else
  failed=$((failed + 1)); cat "$log/check"
fi

source scripts/product.sh
if python3 tests/build/check_msi.py "dist/$(keepsnap_release_name win32).msi" "$KEEPSNAP_VERSION" >"$log/check" 2>&1; then
  passed=$((passed + 1)); tail -n 1 "$log/check"
else
  failed=$((failed + 1)); cat "$log/check"
fi

# A suite built into the Wine tests but in no ctest entry would pass
# nothing and fail nothing: each must have its entry on both targets. The
# suites are the ones the test program itself lists.
echo "== every Wine test suite has its entry"
listing=$PWD/build/listing-session
tests/wine/wine-session.sh start "$listing" >/dev/null
suites=$(tests/wine/wine-session.sh run "$listing" build/win64/tests/wine/wine_tests.exe --gtest_list_tests |
         tr -d '\r' | sed -n 's/^\([A-Za-z0-9_/]*\)\.$/\1/p' | tr / . | sort -u)
tests/wine/wine-session.sh stop "$listing"
entries=$(cd build/win64 && ctest -N | awk '/Test *#/ {print $3}')
unlisted=()
for suite in $suites; do
  for target in x86_64 i686; do
    grep -qxF "wine.$target.$suite" <<<"$entries" || unlisted+=("$suite ($target)")
  done
done
if [ -z "$suites" ]; then
  failed=$((failed + 1)); echo "FAIL the Wine test program listed no suite"
elif [ ${#unlisted[@]} -eq 0 ]; then
  passed=$((passed + 1)); echo "$(wc -w <<<"$suites") suites, each with its entry on both targets"
else
  failed=$((failed + 1)); echo "FAIL suites in no ctest entry: ${unlisted[*]}"
fi

echo "== fuzzing the code that takes outside input (15 s a target)"
if tests/fuzz/run.sh 15; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== the Windows 11 menu's package"
if tests/build/menu_package.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== reproducible release"
if tests/build/reproducible.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== signed release (a throw-away certificate)"
if tests/build/signing.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

# The two targets run side by side: each has its own prefixes, X servers
# and Wine, and most of their time is spent waiting on windows.
echo "== programs under Wine, the two targets side by side:"
echo "   x86_64 programs (label x86_64) under $(tests/wine/wine-session.sh version)"
if [ "$i686" = yes ]; then
  echo "   shipped i686 programs and release zip (label i686) under $(KEEPSNAP_WINE=wow64 tests/wine/wine-session.sh version) (WoW64)"
  (cd build/win64 && TZ=UTC ctest --output-on-failure -j2) | tee "$log/wine"
else
  skipped=$(cd build/win64 && ctest -N -L '^i686$' | grep -c 'Test *#')
  echo "   SKIPPED: the $skipped suites of the shipped i686 programs (label i686): this machine runs no 32-bit code"
  (cd build/win64 && TZ=UTC ctest --output-on-failure -L '^x86_64$') | tee "$log/wine"
fi
tally "$log/wine"

rm -rf "$log"
if [ "$skipped" -gt 0 ]; then
  echo "keepsnap: $passed passed, $failed failed, $skipped skipped"
else
  echo "keepsnap: $passed passed, $failed failed"
fi
[ "$failed" -eq 0 ]

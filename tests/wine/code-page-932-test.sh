#!/usr/bin/env bash
# The Wine tests for double-byte names, in a prefix of their own started
# under a Japanese locale: Wine then uses ANSI code page 932.
#   code-page-932-test.sh WORK_DIR WINE_TESTS_EXE
# KEEPSNAP_PROGRAMS names the programs to put beside the tests.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1 tests=$2
# The locale must exist where Wine runs: here, or inside the WoW64 chroot.
if [ "${KEEPSNAP_WINE:-wine8}" = wow64 ]; then
  locales=$("$here/../../scripts/wow64-wine.sh" run / locale -a)
else
  locales=$(locale -a)
fi
if ! grep -qi '^ja_JP\.utf-\?8$' <<<"$locales"; then
  echo "the ja_JP.UTF-8 locale is missing: run scripts/setup-machine.sh" >&2
  exit 1
fi
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
source "$here/own-session.sh" "$work" cp932
"$here/wine-session.sh" run "$state" "$tests" --gtest_filter='CodePage932.*'

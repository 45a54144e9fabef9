#!/usr/bin/env bash
# One throw-away Wine prefix and X server for a test run.
#   wine-session.sh start STATE_DIR     start Xvfb, create the prefix
#   wine-session.sh run STATE_DIR EXE [ARGS...]
#                                       copy EXE and the programs beside it
#                                       into the prefix and run it there
#                                       (KEEPSNAP_PROGRAMS beside it,
#                                       KEEPSNAP_SYSTEM_CP_PROGRAMS in
#                                       system-code-page\ below it)
#   wine-session.sh stop STATE_DIR      end the prefix's processes and Xvfb
#   wine-session.sh version             the Wine in use
# In each prefix C:\kstest\full is a 2 MiB volume of its own, for copies
# that meet a full disk. KEEPSNAP_STRACE, when set, runs the test program
# under strace with those options (@PREFIX@ stands for the prefix's Unix
# path), for faults injected into the file access of every program it starts.
# KEEPSNAP_WINE picks the Wine (wine-env.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cmd=$1
shift
wow64=$here/../../scripts/wow64-wine.sh
source "$here/wine-env.sh"

if [ "$cmd" = version ]; then
  in_wine "$loader" --version
  exit
fi
state=$1
shift

load_env() {
  # shellcheck disable=SC1091
  source "$state/env"
  # KEEPSNAP_WINEDEBUG lets Wine speak, for a failure that needs its own words.
  export WINEPREFIX DISPLAY WINEDEBUG=${KEEPSNAP_WINEDEBUG:--all} WINELOADER=$loader
  export WINEDLLOVERRIDES="mscoree,mshtml=${KEEPSNAP_DLL_OVERRIDES:+;$KEEPSNAP_DLL_OVERRIDES}"
}

# The small volume, mounted where the programs see it: inside the chroot for
# the WoW64 Wine.
full_volume() {
  if [ "${KEEPSNAP_WINE:-wine8}" = wine8 ]; then
    echo "$state/prefix/drive_c/kstest/full"
  else
    echo "$("$wow64" root)$(realpath -m "$state")/prefix/drive_c/kstest/full"
  fi
}
unmount_full() {
  local volume
  volume=$(full_volume)
  ! findmnt -rn -o TARGET | grep -qxF "$volume" || umount -l "$volume"
}

case $cmd in
start)
  [ -d "$state" ] && unmount_full
  [ "${KEEPSNAP_WINE:-wine8}" = wine8 ] || "$wow64" unbind "$state"
  rm -rf "$state"
  mkdir -p "$state"
  [ "${KEEPSNAP_WINE:-wine8}" = wine8 ] || "$wow64" bind "$state"
  display=$((100 + RANDOM % 800))
  while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
  # No reset when the last client leaves: the work area set below stays.
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -noreset >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  printf 'WINEPREFIX=%q\nDISPLAY=:%s\n' "$state/prefix" "$display" >"$state/env"
  load_env
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
  # A taskbar on the left and one at the top, as users place them: the work
  # area, which Wine reads from the X root window, does not start at 0, 0.
  xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA "80, 60, 944, 708"
  # Local time follows TZ; the tests set file dates in local time.
  in_wine $loader wineboot -i >"$state/wineboot.log" 2>&1
  # Wine draws its own caption bars when no window manager runs.
  in_wine $loader reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  in_wine $wineserver -w
  mkdir -p "$state/prefix/drive_c/kstest/full"
  mount -t tmpfs -o size=2m keepsnap-full "$(full_volume)"
  echo "wine session on :$display, prefix $WINEPREFIX, $(in_wine $loader --version)"
  ;;
run)
  load_env
  exe=$1
  shift
  bin="$WINEPREFIX/drive_c/kstest/bin"
  mkdir -p "$bin"
  cp "$exe" "$bin/"
  for program in ${KEEPSNAP_PROGRAMS:-}; do cp "$program" "$bin/"; done
  # The test-only builds that run under the system's code page, apart.
  mkdir -p "$bin/system-code-page"
  for program in ${KEEPSNAP_SYSTEM_CP_PROGRAMS:-}; do cp "$program" "$bin/system-code-page/"; done
  # Links inside a folder to back up, planted from this side as Wine cannot
  # make them: one to the parent, one to a folder beside it.
  kstest=$WINEPREFIX/drive_c/kstest
  rm -rf "$kstest/linked" "$kstest/linked-2003-09-20" "$kstest/elsewhere"
  mkdir -p "$kstest/linked" "$kstest/elsewhere"
  echo far >"$kstest/elsewhere/far.txt"
  ln -s .. "$kstest/linked/up"
  ln -s ../elsewhere "$kstest/linked/side"
  # And what a killed backup of a child folder leaves: its earlier copy
  # moved aside, a whole old backup of its own, dated long before.
  mkdir -p "$kstest/linked/~side-2003-09-19.keepsnap-earlier"
  echo old >"$kstest/linked/~side-2003-09-19.keepsnap-earlier/far.txt"
  touch -d '2001-01-01 12:00:00' "$kstest/linked/~side-2003-09-19.keepsnap-earlier/far.txt"
  cd "$kstest"
  tracer=()
  if [ -n "${KEEPSNAP_STRACE:-}" ]; then
    # The server starts with the test program, under the same strace: it
    # does the renames. A path given with -P must exist when strace starts.
    in_wine $wineserver -k >/dev/null 2>&1 || true
    # shellcheck disable=SC2206
    tracer=(strace -f -qq ${KEEPSNAP_STRACE//@PREFIX@/$WINEPREFIX})
    for ((i = 0; i < ${#tracer[@]} - 1; i++)); do
      [ "${tracer[i]}" = -P ] || continue
      mkdir -p "$(dirname "${tracer[i + 1]}")"
      touch "${tracer[i + 1]}"
    done
  fi
  set +e
  in_wine "${tracer[@]}" $loader "C:\\kstest\\bin\\$(basename "$exe")" "$@"
  rc=$?
  in_wine $wineserver -k >/dev/null 2>&1 || true
  exit $rc
  ;;
stop)
  if [ -f "$state/env" ]; then
    load_env
    in_wine $wineserver -k >/dev/null 2>&1 || true
  fi
  [ -f "$state/xvfb.pid" ] && kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
  unmount_full
  rm -rf --one-file-system "$state/prefix"
  [ "${KEEPSNAP_WINE:-wine8}" = wine8 ] || "$wow64" unbind "$state"
  ;;
*)
  echo "usage: $0 start|run|stop STATE_DIR ... | version" >&2
  exit 2
  ;;
esac

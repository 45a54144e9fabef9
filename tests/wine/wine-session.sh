#!/usr/bin/env bash
# One throw-away Wine prefix and X server for a test run.
#   wine-session.sh start STATE_DIR     start Xvfb, create the prefix
#   wine-session.sh run STATE_DIR EXE [ARGS...]
#                                       copy EXE and the programs beside it
#                                       into the prefix and run it there
#   wine-session.sh stop STATE_DIR      end the prefix's processes and Xvfb
# Only the 64-bit loader runs on these machines, so it is called directly.
set -euo pipefail
cmd=$1 state=$2
shift 2
loader=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

load_env() {
  # shellcheck disable=SC1091
  source "$state/env"
  export WINEPREFIX DISPLAY WINEDEBUG=-all WINELOADER=$loader WINEDLLOVERRIDES="mscoree,mshtml="
}

case $cmd in
start)
  rm -rf "$state"
  mkdir -p "$state"
  display=$((100 + RANDOM % 800))
  while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  printf 'WINEPREFIX=%q\nDISPLAY=:%s\n' "$state/prefix" "$display" >"$state/env"
  load_env
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
  # Local time follows TZ; the tests set file dates in local time.
  $loader wineboot -i >"$state/wineboot.log" 2>&1
  # Wine draws its own caption bars when no window manager runs.
  $loader reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  $wineserver -w
  echo "wine session on :$display, prefix $WINEPREFIX"
  ;;
run)
  load_env
  exe=$1
  shift
  bin="$WINEPREFIX/drive_c/kstest/bin"
  mkdir -p "$bin"
  cp "$exe" "$bin/"
  [ -n "${KEEPSNAP_PROGRAMS:-}" ] && for program in $KEEPSNAP_PROGRAMS; do cp "$program" "$bin/"; done
  cd "$WINEPREFIX/drive_c/kstest"
  set +e
  $loader "C:\\kstest\\bin\\$(basename "$exe")" "$@"
  rc=$?
  $wineserver -k >/dev/null 2>&1 || true
  exit $rc
  ;;
stop)
  if [ -f "$state/env" ]; then
    load_env
    $wineserver -k >/dev/null 2>&1 || true
  fi
  [ -f "$state/xvfb.pid" ] && kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
  rm -rf "$state/prefix"
  ;;
*)
  echo "usage: $0 start|run|stop STATE_DIR ..." >&2
  exit 2
  ;;
esac

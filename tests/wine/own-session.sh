# shellcheck shell=bash
# Sourced by the test scripts that need a Wine session of their own, in a
# fresh prefix, so that nothing other tests left behind counts:
#   source own-session.sh WORK_DIR NAME [ARTIFACT BUILD_DIR]
# starts the session in WORK_DIR/NAME-session (its folder in $state), loads
# its settings (WINEPREFIX, DISPLAY) and stops it when the script exits,
# removing whatever the script added to $leftovers too. With ARTIFACT (a
# release zip or package), BUILD_DIR, when given, packs it from that build's
# programs first; the artifact must then exist.
session_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
state=$1/$2-session
if [ $# -ge 3 ]; then
  if [ -n "${4:-}" ]; then
    artifact_name=$(basename "$3")
    "$session_here/../../scripts/package.sh" "$4" "$(sed -E 's/^keepsnap-[0-9.]+-(.*)\.(zip|msi)$/\1/' <<<"$artifact_name")" \
      "$(dirname "$3")" >/dev/null
  fi
  [ -f "$3" ] || { echo "no release at $3: run scripts/package.sh" >&2; exit 1; }
  echo "under test: $3"
fi
leftovers=()
trap '"$session_here/wine-session.sh" stop "$state"; [ ${#leftovers[@]} -eq 0 ] || rm -rf "${leftovers[@]}"' EXIT
"$session_here/wine-session.sh" start "$state" >/dev/null
# shellcheck disable=SC1091
source "$state/env"

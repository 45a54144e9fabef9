# Sourced: the Wine that KEEPSNAP_WINE picks, for the test sessions
# (wine-session.sh, and show.sh through it) and the benchmark:
#   loader, wineserver   its loader and server
#   in_wine CMD...       runs CMD as that Wine must be run
# KEEPSNAP_WINE: "wine8" (default), Debian 12's Wine with its 64-bit loader,
# which runs the x86_64 build; "wow64", Debian unstable's WoW64 Wine in its
# chroot (scripts/wow64-wine.sh), which runs the shipped i686 programs. Only
# 64-bit loaders run on these machines.
_wine_env_wow64=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wow64-wine.sh
# Wine maps fixed addresses into every process it starts, the shared user
# data at 0x7ffe0000 among them. With the address space randomised, the
# kernel has now and then put something there first, and the new process dies
# before it runs: CreateProcess fails with error 1359 and Wine says "failed to
# map the shared user data: c0000018" (3 benchmark runs of 10 here). Wine's
# processes run without that randomisation, which they inherit; the WoW64
# Wine gets the same from scripts/wow64-wine.sh.
_wine_env_fixed_layout=(setarch "$(uname -m)" -R)
case ${KEEPSNAP_WINE:-wine8} in
wine8)
  loader=/usr/lib/wine/wine64
  wineserver=/usr/lib/wine/wineserver
  in_wine() { "${_wine_env_fixed_layout[@]}" "$@"; }
  ;;
wow64)
  loader=/usr/lib/x86_64-linux-gnu/wine/wine
  wineserver=/usr/lib/x86_64-linux-gnu/wine/wineserver
  # The chroot sees a session's folder at the same path (wine-session.sh
  # binds it at start), and nothing else of this machine's files: a command
  # runs from there when the caller is in it, else from the root.
  in_wine() {
    local dir=/
    [ -n "${state:-}" ] && case $PWD in "$state"/*) dir=$PWD ;; esac
    "$_wine_env_wow64" run "$dir" "$@"
  }
  ;;
*)
  echo "KEEPSNAP_WINE must be wine8 or wow64" >&2
  exit 2
  ;;
esac

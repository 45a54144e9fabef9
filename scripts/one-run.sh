# Sourced first by test.sh, show.sh and benchmark.sh, with their arguments:
# one run at a time on a machine. Each mounts inside the shared WoW64 chroot
# and, when it ends, unmounts everything there, another run's mounts too.
# flock -o keeps the lock in flock itself, not in the daemons a run leaves.
if [ -z "${KEEPSNAP_ONE_RUN:-}" ]; then
  lock=${TMPDIR:-/tmp}/keepsnap-runs.lock
  flock -n "$lock" true || echo "keepsnap: waiting for the other test, show or benchmark run on this machine to end" >&2
  KEEPSNAP_ONE_RUN=1 exec flock -o "$lock" "$0" "$@"
fi

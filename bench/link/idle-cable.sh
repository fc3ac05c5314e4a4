#!/usr/bin/env bash
# CPU time of an idle paced `siglink cable` in SECONDS, in each state it waits
# in (docs/PERFORMANCE.md): user + system time from /proc/PID/stat, which
# counts a running task's current slice (schedstat does not always).
# Usage: idle-cable.sh BUILD_DIR [SECONDS]   (default 3)
. "$(dirname "$0")/../../tests/support/stations.sh"
build=$(cd "$1" && pwd) seconds=${2:-3}
SIGLINK=$build/tools/siglink/siglink
harness_begin "idle-cable.$$" "${TMPDIR:-/tmp}"
KEEP_FAILED="" ticks=$(getconf CLK_TCK)
# cpu PID: user + system clock ticks so far (field 2, the name, has no blank).
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# measure STATE: the relay's CPU time over the next SECONDS.
measure() {
  local before after
  alive "$CABLE" || fail "the cable has ended"
  before=$(cpu "$CABLE")
  sleep "$seconds"
  after=$(cpu "$CABLE")
  awk -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" -v what="$1" \
    'BEGIN { printf "%-34s %.2f s CPU in %s s\n", what ":", t / hz, s }'
}

start_cable

echo "load $(cut -d' ' -f1-3 /proc/loadavg)"
measure "ends never opened"
exec 3<>"$TX_END" 4<>"$RX_END"
exec 3>&- 4>&-
measure "both opened and closed"
exec 3<>"$TX_END" 4<>"$RX_END"
exec 4>&-
measure "one station gone, one holding"
exec 4<>"$RX_END"
measure "both ends held"
exec 3>&- 4>&-
echo "load $(cut -d' ' -f1-3 /proc/loadavg)"

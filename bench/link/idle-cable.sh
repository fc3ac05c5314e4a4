#!/usr/bin/env bash
# CPU time an idle `siglink cable` (paced, as the demo runs it) uses in
# SECONDS, in the states a cable waits in between runs (ends never opened,
# both opened and closed, one held, both held): the relay's user + system
# time from /proc/PID/stat, which includes a running task's current slice
# (/proc/PID/schedstat does not always). Goal: under 0.05 s in 3 s in each.
# Usage: idle-cable.sh BUILD_DIR [SECONDS]   (default 3)
. "$(dirname "$0")/../../tests/support/stations.sh"
build=$(cd "$1" && pwd)
seconds=${2:-3}
SIGLINK=$build/tools/siglink/siglink
harness_begin "idle-cable.$$" "${TMPDIR:-/tmp}"
KEEP_FAILED=""

ticks=$(getconf CLK_TCK)
# cpu PID: user + system clock ticks so far (fields 14 and 15; the name in
# field 2 holds no blank here).
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

#!/usr/bin/env bash
# CPU time an idle `siglink cable` (paced, as the demo runs it) uses in
# SECONDS, in the states a cable waits in between runs: its ends never
# opened, both opened and closed again, one station gone while the other
# still holds its end, and both ends held. The figure is the relay process's
# user + system time from /proc/PID/stat (in clock ticks, 10 ms here), read
# before and after the wait; it includes a running task's current slice,
# which /proc/PID/schedstat does not always. Goal: under 0.05 s in 3 s in
# every state.
# Usage: idle-cable.sh BUILD_DIR [SECONDS]   (default 3)
set -uo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-3}
siglink=$build/tools/siglink/siglink
work=$(mktemp -d)
cable=""
cleanup() {
  [ -n "$cable" ] && kill "$cable" 2>/dev/null && wait "$cable" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

ticks=$(getconf CLK_TCK)
# cpu PID: user + system clock ticks so far (fields 14 and 15; the name in
# field 2 holds no blank here).
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# measure STATE: the relay's CPU time over the next SECONDS.
measure() {
  local before after
  kill -0 "$cable" 2>/dev/null || { echo "idle-cable: the cable has ended" >&2; exit 1; }
  before=$(cpu "$cable")
  sleep "$seconds"
  after=$(cpu "$cable")
  awk -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" -v what="$1" \
    'BEGIN { printf "%-34s %.2f s CPU in %s s\n", what ":", t / hz, s }'
}

"$siglink" cable >"$work/ends" 2>/dev/null &
cable=$!
for _ in $(seq 100); do
  [ "$(wc -l <"$work/ends")" -ge 2 ] && break
  sleep 0.05
done
first=$(sed -n 1p "$work/ends")
second=$(sed -n 2p "$work/ends")
[ -n "$second" ] || { echo "idle-cable: siglink cable gave no ends" >&2; exit 1; }

echo "load $(cut -d' ' -f1-3 /proc/loadavg)"
measure "ends never opened"
exec 3<>"$first" 4<>"$second"
exec 3>&- 4>&-
measure "both opened and closed"
exec 3<>"$first" 4<>"$second"
exec 4>&-
measure "one station gone, one holding"
exec 4<>"$second"
measure "both ends held"
exec 3>&- 4>&-
echo "load $(cut -d' ' -f1-3 /proc/loadavg)"

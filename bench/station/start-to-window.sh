#!/usr/bin/env bash
# Time from starting a station (with --port on a cable end, as the demo does)
# until its window is mapped and visible on the X server, for sigtx and sigrx.
# A private Xvfb and a siglink cable, as in the end-to-end tests; the window
# is looked for every 10 ms, so the figures are good to about 15 ms.
# Usage: start-to-window.sh BUILD_DIR [RUNS]   (prints each run and the medians)
set -uo pipefail
build=$(cd "$1" && pwd)
runs=${2:-5}
. "$(dirname "$0")/../../tools/stations.sh"
e2e_begin start-to-window "$build/tools/siglink/siglink" "$build/transmitter/sigtx" "$build/receiver/sigrx" \
  "$build/tests/e2e/xclose" "$build/bench/station"
start_cable

median() { sort -n | sed -n "$(((runs + 1) / 2))p"; }

# time_start NAME DEVICE PROGRAM CAPTION: one start, in milliseconds.
time_start() {
  local name=$1 device=$2 program=$3 caption=$4 start end pid win
  start=$(date +%s%N)
  "$program" --port "$device" >>"$WORK/$name.log" 2>&1 &
  pid=$!
  for _ in $(seq 2000); do
    win=$(xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -n1)
    [ -n "$win" ] && break
    kill -0 "$pid" 2>/dev/null || fail "$name ended while starting"
    sleep 0.01
  done
  end=$(date +%s%N)
  [ -n "$win" ] || fail "no window \"$caption\""
  echo $(((end - start) / 1000000)) >>"$WORK/$name.times"
  echo "$name run $(wc -l <"$WORK/$name.times"): $(((end - start) / 1000000)) ms" >&2
  close_window "$win" "$pid" "$name" >/dev/null
}

for _ in $(seq "$runs"); do
  time_start sigtx "$TX_END" "$SIGTX" "$TX_CAPTION"
  time_start sigrx "$RX_END" "$SIGRX" "$RX_CAPTION"
done
echo "median sigtx: $(median <"$WORK/sigtx.times") ms, sigrx: $(median <"$WORK/sigrx.times") ms (of $runs)"
e2e_pass

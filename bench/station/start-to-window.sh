#!/usr/bin/env bash
# Time from starting a station with --port on a cable end (as the demo does)
# until its window is visible, for sigtx and sigrx.
# Usage: start-to-window.sh BUILD_DIR [RUNS]   (prints each run and the medians)
runs=${2:-5}
. "$(dirname "$0")/../../tests/support/stations.sh"
bench_begin start-to-window "$1"
start_cable
median() { sort -n | sed -n "$(((runs + 1) / 2))p"; }
POLL=0.01 # the window is looked for every 10 ms: figures good to about 15 ms
for _ in $(seq "$runs"); do
  for side in tx rx; do
    "start_$side"
    echo "$SHOWN_MS" >>"$WORK/sig$side.times"
    close_station "$side" >/dev/null
  done
done
echo "median sigtx: $(median <"$WORK/sigtx.times") ms, sigrx: $(median <"$WORK/sigrx.times") ms (of $runs)"

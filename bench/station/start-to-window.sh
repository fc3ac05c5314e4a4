#!/usr/bin/env bash
# Time from starting a station (with --port on a cable end, as the demo does)
# until its window is mapped and visible on the X server, for sigtx and sigrx.
# A private Xvfb and a siglink cable, as in the end-to-end tests.
# Usage: start-to-window.sh BUILD_DIR [RUNS]   (prints each run and the medians)
build=$(cd "$1" && pwd)
runs=${2:-5}
. "$(dirname "$0")/../../tests/support/stations.sh"
e2e_begin start-to-window "$build/tools/siglink/siglink" "$build/transmitter/sigtx" "$build/receiver/sigrx" \
  "$build/tests/e2e/xclose" "$build/bench/station"
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
e2e_pass

#!/usr/bin/env bash
# Three runs of transmit, the frame's time, receive: equal memos and charts each time.
. "$(dirname "$0")/../support/stations.sh"
e2e_begin three-runs "$@"
start_both
for run in 1 2 3; do
  transmit $((run * 200))
  sleep $FRAME_WAIT
  press "$RX_WIN"
  wait_lines "$RX_WIN" $((run * 200))
  memos_equal 1 $((run * 200))
  charts_equal
  log "run $run equal"
done

#!/usr/bin/env bash
# The receive button pressed while the frame is still arriving: the receiver
# follows the frame to its end and shows what was sent.
. "$(dirname "$0")/../support/stations.sh"
e2e_begin early-receive "$@"
start_both
# The run is over once the memos are full; the frame takes 1.25 s more on
# the line, and the receive button is pressed at once.
start=$(date +%s%N)
transmit 200
press "$RX_WIN"
log "receive pressed $((($(date +%s%N) - start) / 1000000)) ms after transmit (the frame needs 1252 ms)"
wait_lines "$RX_WIN" 200
memos_equal 1 200
charts_equal

#!/usr/bin/env bash
# Two transmissions before one receive: the first receive shows the first
# frame whole, the second receive the second.
. "$(dirname "$0")/../support/stations.sh"
e2e_begin two-frames "$@"
start_both
transmit 200
sleep $FRAME_WAIT
send_frame 400 200
memos_equal 1 200
log "first frame whole"
press "$RX_WIN"
wait_lines "$RX_WIN" 400
memos_equal 1 400
charts_equal
log "second frame whole"

#!/usr/bin/env bash
# Closing a window ends its program with status 0, and the cable stays
# healthy for the other: a station started again on the same end works.
. "$(dirname "$0")/../support/stations.sh"
e2e_begin close "$@"
start_both

close_station rx
start_rx
send_frame 200 200
memos_equal 1 200
charts_equal
log "new sigrx received"

close_station tx
start_tx
send_frame 200 400
# The receiver's second frame is the new transmitter's first.
memos_equal 1 200 201
# Chart2's bins span the normal range of all the station's runs: sigrx has one more.
charts_equal 2
log "new sigtx sent"

close_both

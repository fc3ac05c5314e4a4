#!/usr/bin/env bash
# The port options as a person writes them: sigtx --port END, sigrx -p END
# --save receive alike; sigrx started again without options (as from its
# menu) opens the saved device and receives the next frame.
. "$(dirname "$0")/../support/stations.sh"
e2e_begin port "$@"
start_cable
start_station tx --port "$TX_END"
start_station rx -p "$RX_END" --save
grep -qxF "sigrx: COM3 leads to $RX_END from now on, saved as sigrx/port in $XDG_CONFIG_HOME/sigstations/sigstations.conf." \
  "$WORK/sigrx.log" || fail "sigrx did not say where it saved its port"

send_frame 200 200
memos_equal 1 200
charts_equal
log "received on --port"

close_station rx
start_station rx
send_frame 400 200
# The new receiver's first frame is the transmitter's second.
memos_equal 201 400
# Chart2's bins span the normal range of all the station's runs: sigtx has one more.
charts_equal 2
log "received on the saved port"

close_both

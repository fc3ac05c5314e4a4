#!/usr/bin/env bash
# "siglink demo", as the demo runs: a frame goes across whole, and closing
# both windows ends the demo with status 0.
. "$(dirname "$0")/../support/stations.sh"
e2e_begin demo "$@"
start_demo
send_frame 200 200
memos_equal 1 200
charts_equal
"$XCLOSE" "$TX_WIN"
"$XCLOSE" "$RX_WIN"
ends_with "$DEMO_PID" "the demo" 0
DEMO_PID=""
grep -q "ended with status 0" "$WORK/demo.log" || fail "the demo did not report the stations' ends"

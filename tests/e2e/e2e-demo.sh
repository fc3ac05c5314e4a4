#!/usr/bin/env bash
# The one-command demo's way of running: "siglink demo" starts both stations
# on one paced cable; a frame goes across whole, and closing both windows ends
# the demo with status 0.
. "$(dirname "$0")/../../tools/stations.sh"
e2e_begin demo "$@"
start_demo
send_frame 200 200
memos_equal 1 200
charts_equal
"$XCLOSE" "$TX_WIN"
"$XCLOSE" "$RX_WIN"
timeout 10 tail -s 0.05 --pid="$DEMO_PID" -f /dev/null || fail "the demo did not end after both windows closed"
status=0
wait "$DEMO_PID" || status=$?
DEMO_PID=""
[ "$status" -eq 0 ] || fail "the demo ended with status $status"
grep -q "ended with status 0" "$WORK/demo.log" || fail "the demo did not report the stations' ends"
e2e_pass

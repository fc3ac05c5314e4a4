#!/usr/bin/env bash
# A line pulled mid-frame (cut after 600 of 1202 bytes, receive pressed while
# it arrived): one failed read (standard error, a box), nothing of the frame
# shown, the device let go; the box closes, a later press finds the device
# will not open again and offers the port box, whose close keeps the window;
# closing the window ends sigrx with status 0 and no report.
. "$(dirname "$0")/../support/stations.sh"
e2e_begin cut-mid-frame "$@"
start_both --cut-after 600
capture "$RX_WIN" "$WORK/rx-before.png"
start=$(date +%s%N)
press "$TX_WIN"
# Receive pressed 0.3 s after transmit: the cut comes about 0.63 s in.
sleep_until 0.3 "$start"
press "$RX_WIN"
log "receive pressed $((($(date +%s%N) - start) / 1000000)) ms after transmit"

reports() { grep -c "reading from the serial port failed" "$WORK/sigrx.log"; }
error_box "$RX_PID" "$RX_WIN"
[ "$(reports)" -eq 1 ] || fail "sigrx reported $(reports) failed reads, expected 1"
grep -qF "Serial port COM3 ($RX_END): reading from the serial port failed" "$WORK/sigrx.log" ||
  fail "the report does not name the port and its device"
dismiss "$BOX"
shows_as_before "$RX_WIN" "$WORK/rx-before.png"
log "one failed read, nothing of the frame shown"

press "$RX_WIN"
error_box "$RX_PID" "$RX_WIN"
dismiss "$BOX"
grep -qF "Serial port COM3 ($RX_END): opening the serial port failed" "$WORK/sigrx.log" ||
  fail "a later press did not say that the device would not open again"
[ "$(reports)" -eq 1 ] || fail "a press on the dead line read from it again"
shows_as_before "$RX_WIN" "$WORK/rx-before.png"
log "a later press finds the device gone and offers the port box"

close_station rx
[ "$(grep -c "^Serial port " "$WORK/sigrx.log")" -eq 2 ] || fail "closing sigrx added a report: $(cat "$WORK/sigrx.log")"

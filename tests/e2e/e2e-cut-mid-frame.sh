#!/usr/bin/env bash
# A line pulled in the middle of a frame: the cable is cut once 600 of the
# frame's 1202 bytes have reached sigrx, whose receive was pressed while the
# frame arrived. sigrx reports one failed read (on standard error and in a
# box) and lists and charts nothing of that frame, and lets the device go; its
# window stays usable: the box closes, a later press finds the device will not
# open again and offers the port box, whose close keeps the window; closing
# the window ends the program with status 0 and adds no report.
. "$(dirname "$0")/../../tools/stations.sh"
e2e_begin cut-mid-frame "$@"
start_cable --cut-after 600
start_tx
start_rx
capture "$RX_WIN" "$WORK/rx-before.png"
start=$(date +%s%N)
press "$TX_WIN"
# Receive pressed 0.3 s after transmit: the cut comes about 0.63 s in.
sleep_until 0.3 "$start"
press "$RX_WIN"
log "receive pressed $((($(date +%s%N) - start) / 1000000)) ms after transmit"

reports() { grep -c "reading from the serial port failed" "$WORK/sigrx.log"; }
box=$(error_box "$RX_PID" "$RX_WIN") || exit 1
[ "$(reports)" -eq 1 ] || fail "sigrx reported $(reports) failed reads, expected 1"
grep -qF "Serial port COM3 ($RX_END): reading from the serial port failed" "$WORK/sigrx.log" ||
  fail "the report does not name the port and its device"
dismiss "$box"
shows_as_before "$RX_WIN" "$WORK/rx-before.png"
log "one failed read, nothing of the frame shown"

press "$RX_WIN"
box=$(error_box "$RX_PID" "$RX_WIN") || exit 1
dismiss "$box"
grep -qF "Serial port COM3 ($RX_END): opening the serial port failed" "$WORK/sigrx.log" ||
  fail "a later press did not say that the device would not open again"
[ "$(reports)" -eq 1 ] || fail "a press on the dead line read from it again"
shows_as_before "$RX_WIN" "$WORK/rx-before.png"
log "a later press finds the device gone and offers the port box"

close_window "$RX_WIN" "$RX_PID" sigrx
RX_PID=""
[ "$(grep -c "^Serial port " "$WORK/sigrx.log")" -eq 2 ] || fail "closing sigrx added a report: $(cat "$WORK/sigrx.log")"
e2e_pass

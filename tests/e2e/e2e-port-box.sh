#!/usr/bin/env bash
# The port box answered as a student does: a missing device is said and
# boxed, a second one too; the cable's end, remembered, opens the window,
# which receives, and the next start opens it again. "Close" or the title
# bar's close ends a failed start with status 1 and no window.
. "$(dirname "$0")/../support/stations.sh"
e2e_begin port-box "$@"
start_cable
start_tx

wait_log() { wait_for "sigrx did not say: $1" grep -qxF "$1" "$WORK/sigrx.log"; }

# start_failing DEVICE: sigrx on DEVICE, which does not open; BOX is its box.
start_failing() {
  launch rx --port "$1"
  wait_log "Serial port COM3 ($1): opening the serial port failed: No such file or directory."
  box_shown
}

box_shown() { # BOX, sigrx's box, given the keyboard (no window manager here)
  error_box "$RX_PID" ""
  xdotool windowfocus --sync "$BOX" || fail "cannot focus the box"
}

in_box() { xdotool key "$@" || fail "cannot type into the box"; } # KEY...: into its device entry

# try_device DEVICE [KEY...]: DEVICE typed over the entry, the keys, Enter.
try_device() {
  in_box ctrl+a
  xdotool type --delay 5 "$1" || fail "cannot type into the box"
  in_box "${@:2}" Return
}

start_failing /nonexistent/first
wait_log "Start sigrx with --port DEVICE to use another; add --save to keep it."
try_device /nonexistent/second
wait_log "Serial port COM3 (/nonexistent/second): opening the serial port failed: No such file or directory."
box_shown
log "the box came back with the new cause"

# Tab to the check box: Alt+R would tick it 100 ms late, after the Return.
try_device "$RX_END" Tab space
find_window "$RX_CAPTION" "$RX_PID"
RX_WIN=$FOUND
xdotool windowmove --sync "$RX_WIN" 1000 0
wait_log "sigrx: COM3 leads to $RX_END from now on, saved as sigrx/port in $XDG_CONFIG_HOME/sigstations/sigstations.conf."
send_frame 200 200
memos_equal 1 200
charts_equal
close_station rx
log "received on the device chosen in the box"

start_station rx
close_station rx
log "the next start opened the remembered device"

start_failing /nonexistent/third
in_box alt+c
ends_with "$RX_PID" sigrx 1
start_failing /nonexistent/fourth
"$XCLOSE" "$BOX" || fail "cannot close the box"
ends_with "$RX_PID" sigrx 1
RX_PID=""
xdotool search --name "^$RX_CAPTION\$" >/dev/null && fail "a window of sigrx was shown"
close_station tx

#!/usr/bin/env bash
# A failed start answered in the port box, as a student answers it. sigrx on
# a device that is not there says on standard error what it always said and
# shows the box; a second wrong device brings the box back with its own
# sentence; the cable's end, typed with "remember for the next starts" and
# Enter, opens the window, which receives a frame. The next start without
# options opens the remembered device. A wrong device, then "Close" or the
# title bar's close, ends the start with status 1 and no window.
. "$(dirname "$0")/../../tools/stations.sh"
e2e_begin port-box "$@"
start_cable
start_tx

# wait_log LINE: waits until sigrx's output holds LINE.
wait_log() {
  for _ in $(seq 100); do
    grep -qxF "$1" "$WORK/sigrx.log" && return 0
    sleep 0.1
  done
  fail "sigrx did not say: $1"
}

# start_failing DEVICE: sigrx on DEVICE, which does not open; BOX is its box.
start_failing() {
  "$SIGRX" --port "$1" >>"$WORK/sigrx.log" 2>&1 &
  RX_PID=$!
  wait_log "Serial port COM3 ($1): opening the serial port failed: No such file or directory."
  box_shown
}

# box_shown: BOX is sigrx's box, given the keyboard (no window manager
# does that here).
box_shown() {
  BOX=$(error_box "$RX_PID" "") || exit 1
  xdotool windowfocus --sync "$BOX" || fail "cannot focus the box"
}

# in_box KEY...: those keys pressed in the box (its device entry has the focus).
in_box() { xdotool key "$@" || fail "cannot type into the box"; }

# try_device DEVICE [KEY...]: DEVICE typed over the entry, the keys, Enter.
try_device() {
  local device=$1
  shift
  in_box ctrl+a
  xdotool type --delay 5 "$device"
  in_box "$@" Return
}

start_failing /nonexistent/first
wait_log "Start sigrx with --port DEVICE to use another; add --save to keep it."
try_device /nonexistent/second
wait_log "Serial port COM3 (/nonexistent/second): opening the serial port failed: No such file or directory."
box_shown
log "the box came back with the new cause"

# Tab moves to the check box. (Alt+R would tick it 100 ms later, as a
# button's shortcut does, after the Return.)
try_device "$RX_END" Tab space
RX_WIN=$(find_window "$RX_CAPTION") || exit 1
xdotool windowmove --sync "$RX_WIN" 1000 0
wait_log "sigrx: COM3 leads to $RX_END from now on, saved as sigrx/port in $XDG_CONFIG_HOME/sigstations/sigstations.conf."
send_frame 200 200
memos_equal 1 200
charts_equal
close_window "$RX_WIN" "$RX_PID" sigrx
log "received on the device chosen in the box"

start_rx_with
close_window "$RX_WIN" "$RX_PID" sigrx
log "the next start opened the remembered device"

start_failing /nonexistent/third
in_box alt+c
ends_with "$RX_PID" sigrx 1
start_failing /nonexistent/fourth
"$XCLOSE" "$BOX" || fail "cannot close the box"
ends_with "$RX_PID" sigrx 1
RX_PID=""
xdotool search --name "^$RX_CAPTION\$" >/dev/null && fail "a window of sigrx was shown"
close_window "$TX_WIN" "$TX_PID" sigtx
TX_PID=""
e2e_pass

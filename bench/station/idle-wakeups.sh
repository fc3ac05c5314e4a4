#!/usr/bin/env bash
# System calls of each idle station in SECONDS (strace), of a press each,
# of sigrx idle with a memo focused (docs/PERFORMANCE.md).
# Usage: idle-wakeups.sh BUILD_DIR [SECONDS]   (default 10)
seconds=${2:-10}
command -v strace >/dev/null || { echo "idle-wakeups: strace is not installed" >&2; exit 1; }
. "$(dirname "$0")/../../tests/support/stations.sh"
bench_begin idle-wakeups "$1"
start_both
TX_PROGRAM=$TX_PID RX_PROGRAM=$RX_PID

# trace NAME PID SECONDS [ACTION]: a summary of the system calls of PID's
# threads in SECONDS, ACTION run once attached. (strace counts a call as it
# returns: a thread asleep in one wait all along counts nothing.)
trace() {
  local name=$1 pid=$2 secs=$3 action=${4:-true} args=() tid threads=0
  for tid in /proc/"$pid"/task/*; do args+=(-p "${tid##*/}"); threads=$((threads + 1)); done
  timeout -s INT "$secs" strace -qq -c -S calls -o "$WORK/$name.calls" "${args[@]}" &
  local tracer=$!
  sleep 0.5  # attached
  $action
  wait "$tracer"
  local total
  total=$(awk '$NF == "total" { print ($4 ~ /^[0-9]+$/ ? $4 : $3) }' "$WORK/$name.calls")
  echo "$name: ${total:-0} system calls in $secs s ($threads threads)" \
    "$(awk 'NR > 2 && $NF != "total" && $1 !~ /^-/ { printf "%s %s, ", $NF, ($4 ~ /^[0-9]+$/ ? $4 : $3) }' "$WORK/$name.calls")"
}

sleep 2  # let both windows finish their first paint
log "idle, $seconds s each"
trace "sigtx idle" "$TX_PROGRAM" "$seconds" & a=$!
trace "sigrx idle" "$RX_PROGRAM" "$seconds" & b=$!
wait $a $b
log "one run each, 3 s"
trace "sigtx run" "$TX_PROGRAM" 3 "press $TX_WIN" & a=$!
sleep 1.8  # the frame is on the line
trace "sigrx run" "$RX_PROGRAM" 3 "press $RX_WIN"
wait $a
# A memo clicked into has the focus: Qt's own caret timer would show here.
sleep 1
xdotool mousemove --window "$RX_WIN" $MEMO1_X $MEMO1_Y click 1
sleep 1
trace "sigrx idle, Memo1 focused" "$RX_PROGRAM" "$seconds"

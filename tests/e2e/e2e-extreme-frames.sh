#!/usr/bin/env bash
# Extreme floats from a sender other than sigtx: 200 × 1e30; 1e30 with a NaN
# at sample 98 (the cross sums draw lag 99 alone, one large value); 100 ×
# (+Inf, -Inf). sigrx lists each and answers; then sigtx's frame as sent.
. "$(dirname "$0")/../support/stations.sh"
e2e_begin extreme-frames "$@"
start_cable --no-pace
start_rx

# frame FLOAT...: the frame's bytes: 200 times the integer 7, then the 200
# floats (8 hex digits each, most significant byte first).
frame() {
  local hex
  printf '\xe8'
  printf '\x07\x00%.0s' $(seq 200)
  printf '\xe9'
  for hex in "$@"; do printf "\\x${hex:0:2}\\x${hex:2:2}\\x${hex:4:2}\\x${hex:6:2}"; done
}
repeat() { printf "$2 %.0s" $(seq "$1"); } # COUNT HEX: HEX, COUNT times

# A raw line: no translation of the frame's bytes on the way in.
stty -F "$TX_END" raw -echo || fail "cannot make $TX_END raw"
lines=0
large=7149f2ca nan=7fc00000
for floats in "$(repeat 200 $large)" "$(repeat 98 $large) $nan $(repeat 101 $large)" "$(repeat 100 '7f800000 ff800000')"; do
  # shellcheck disable=SC2086
  frame $floats >"$TX_END"
  press "$RX_WIN"
  lines=$((lines + 200))
  wait_lines "$RX_WIN" $lines
  memo_text "$RX_WIN" 1
  [ "$(memo_lines | tail -n 200 | sort -u)" = 7 ] || fail "Memo1 does not list 200 times 7"
  log "frame ${floats:0:17}...: listed, the window answers"
done

start_tx
send_frame 200 $((lines + 200))
memos_equal 1 200 $((lines + 1))
log "a good frame after them: listed as sent"

#!/usr/bin/env bash
# Frames whose floats are extreme, written into the cable as a sender that is
# not sigtx would: 200 × 1e30; 1e30 with a NaN at sample 98, so that only lag
# 99 of the cross sums is drawn and their charts' range is one large value;
# and 100 × (+Inf, -Inf). After each, sigrx lists it and goes on answering
# (a copy of its memos works); then sigtx's frame is listed exactly as sent.
. "$(dirname "$0")/../../tools/stations.sh"
e2e_begin extreme-frames "$@"
start_cable --no-pace
start_rx

# frame INTEGER FLOAT...: the frame's bytes: 200 times INTEGER, then the
# floats (8 hex digits each, most significant byte first; the last one
# repeated up to 200 floats).
frame() {
  local int=$1 i hex
  shift
  printf '\xe8'
  for i in $(seq 200); do printf "\\x$(printf %02x $((int & 255)))\\x$(printf %02x $((int >> 8)))"; done
  printf '\xe9'
  for i in $(seq 200); do
    [ $# -gt 1 ] && { hex=$1; shift; } || hex=$1
    printf "\\x${hex:0:2}\\x${hex:2:2}\\x${hex:4:2}\\x${hex:6:2}"
  done
}

# A raw line: no translation of the frame's bytes on the way in.
stty -F "$TX_END" raw -echo || fail "cannot make $TX_END raw"
lines=0
large=7149f2ca nan=7fc00000
for floats in "$large" "$(printf "$large %.0s" $(seq 98)) $nan $large" "$(printf '7f800000 ff800000 %.0s' $(seq 100))"; do
  # shellcheck disable=SC2086
  frame 7 $floats >"$TX_END"
  press "$RX_WIN"
  lines=$((lines + 200))
  wait_lines "$RX_WIN" $lines
  [ "$(memo_text "$RX_WIN" 1 | tail -n 200 | sort -u)" = 7 ] || fail "Memo1 does not list 200 times 7"
  log "frame ${floats:0:17}...: listed, the window answers"
done

start_tx
send_frame 200 $((lines + 200))
memos_equal 1 200 $((lines + 1))
log "a good frame after them: listed as sent"
e2e_pass

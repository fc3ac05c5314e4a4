#!/usr/bin/env bash
# An early press on a bursty line (delivered every 20 ms, as by a USB
# adapter): receive pressed 0.3 s after transmit follows the frame across
# the gaps to its end; lists and charts equal the transmitter's.
. "$(dirname "$0")/../support/stations.sh"
e2e_begin bursty-early-press "$@"
start_both --bursts 20
start=$(date +%s%N)
press "$TX_WIN"
# The operator's 0.3 s (the frame needs 1.25 s on the line).
sleep_until 0.3 "$start"
press "$RX_WIN"
log "receive pressed $((($(date +%s%N) - start) / 1000000)) ms after transmit"
wait_lines "$TX_WIN" 200
wait_lines "$RX_WIN" 200
memos_equal 1 200
charts_equal

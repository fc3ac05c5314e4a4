#!/usr/bin/env bash
# Time from pressing sigtx's button until the 1202-byte frame is queued at the
# receiving end of a paced cable (read here, in place of sigrx), against the
# line's own limit (1202 × 10 bits at 9600 baud = 1.2521 s).
# Usage: press-to-frame.sh BUILD_DIR [RUNS]   (prints each run and the median)
runs=${2:-5}
. "$(dirname "$0")/../../tests/support/stations.sh"
bench_begin press-to-frame "$1"
start_cable
start_tx
ratios=()
for run in $(seq "$runs"); do
  exec 4<>"$RX_END"  # hold the end, as sigrx would
  sleep 0.2          # the relay sees the end held
  start=$(date +%s%N)
  press "$TX_WIN"
  head -c 1202 <&4 >/dev/null
  end=$(date +%s%N) && exec 4<&-
  ratio=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.4f", ns / 1e9 / 1.2521 }')
  ratios+=("$ratio")
  echo "run $run: $(((end - start) / 1000000)) ms, ratio $ratio"
  sleep 1.1  # a new second: the generator reseeds from the clock
done
echo "median ratio: $(printf '%s\n' "${ratios[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")"

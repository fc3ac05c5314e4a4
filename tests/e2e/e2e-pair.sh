#!/usr/bin/env bash
# A pair of stations, each a Linux program or a Windows .exe run under wine
# (tools/stations.sh), on one paced cable: one transmission, one reception,
# and the receiver's memos equal the transmitter's line for line, numbers
# with a decimal comma. Wine draws
# with other fonts, so across platforms the charts are not compared pixel for
# pixel; both windows are saved as DIR/NAME-sigtx.png and DIR/NAME-sigrx.png
# for a person to look at (NAME says which station ran where).
#   e2e-pair.sh SIGLINK SIGTX SIGRX XCLOSE DIR
# The wine prefix is SIG_WINE_PREFIX (made when missing), else DIR/wine.
. "$(dirname "$0")/../../tools/stations.sh"
where() { case $1 in *.exe) echo windows ;; *) echo linux ;; esac; }
name=pair-tx-$(where "$2")-rx-$(where "$3")
e2e_begin "$name" "$@"
# Both stations in the lab's locale, Ukrainian, whose decimal separator is a
# comma: each platform must take it from there (compiled here, as a machine
# need not have it).
mkdir -p "$WORK/locale"
localedef -i uk_UA -f UTF-8 "$WORK/locale/uk_UA.UTF-8" >/dev/null 2>&1 || fail "cannot compile the locale uk_UA"
export LOCPATH=$WORK/locale LC_ALL=uk_UA.UTF-8
start_cable
start_tx
start_rx
send_frame 200 200
memos_equal 1 200
capture "$TX_WIN" "$5/$name-sigtx.png"
capture "$RX_WIN" "$5/$name-sigrx.png"
log "pictures: $5/$name-sigtx.png, $5/$name-sigrx.png"
close_window "$TX_WIN" "$TX_PID" sigtx
TX_PID=""
close_window "$RX_WIN" "$RX_PID" sigrx
RX_PID=""
e2e_pass

# wine-display.sh - the steps of tools/stations.sh for the Windows stations
# under wine on a private X server (tests/windows/wine-windows and
# wine-package source it after stations.sh).
#
#   wine_begin NAME SIGLINK XCLOSE WORK_DIR PREFIX   a display, the prefix's server on it
#   use_stations sigtx COMMAND...                    SIGTX runs COMMAND ARGUMENT... under wine
#   started NAME SINCE                               logs the time a start took
#   looks_right WINDOW NAME                          the Linux window's size, an icon
#   both_start [TX_ARGUMENT... --] [RX_ARGUMENT...]  both windows show as they should
#   close_both                                       both close with status 0
#
# The prefix's server is started again on the X server: wine's desktop keeps
# the size of the first display its server saw (none, for the tests that
# tools/wine-run runs), and a window beyond it is cut off. At the end the
# server is ended with the rest.

wine_begin() {
  local name=$1 siglink=$2 xclose=$3 work=$4
  export WINEPREFIX=$5 WINEDEBUG=-all LC_ALL=C.UTF-8
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  stations_begin "$name" "$siglink" "" "" "$xclose" "$work"
  # Qt for Windows has no xcb platform.
  unset QT_QPA_PLATFORM
  trap wine_cleanup EXIT
  wine_server_on_display
}

wine_server_on_display() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

wine_cleanup() {
  local status=$?
  wineserver -k 2>/dev/null
  (exit "$status")
  stations_cleanup
}

# use_stations STATION COMMAND...: start_tx_with / start_rx_with (STATION
# sigtx / sigrx) run "wine COMMAND... ARGUMENT...".
use_stations() {
  local station=$1 wrapper=$WORK/$1
  shift
  { printf '#!/bin/sh\nexec wine'; printf ' %q' "$@"; printf ' "$@"\n'; } >"$wrapper"
  chmod +x "$wrapper"
  if [ "$station" = sigtx ]; then SIGTX=$wrapper; else SIGRX=$wrapper; fi
}

started() { log "$1 showed its window after $((($(date +%s%N) - $2) / 1000000)) ms"; }

looks_right() {
  local size
  size=$(xdotool getwindowgeometry "$1" | sed -n 's/^ *Geometry: //p')
  [ "$size" = 945x631 ] || fail "$2's window is $size, not 945x631"
  xprop -id "$1" _NET_WM_ICON | grep -q 'Icon (16 x 16)' || fail "$2's window has no icon"
}

# both_start [TX_ARGUMENT... --] [RX_ARGUMENT...]: both stations start, show
# their windows as they should and close with status 0 when asked to.
both_start() {
  local tx=() since
  while [ $# -gt 0 ] && [ "$1" != -- ]; do tx+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  since=$(date +%s%N)
  start_tx_with "${tx[@]}"
  started sigtx "$since"
  since=$(date +%s%N)
  start_rx_with "$@"
  started sigrx "$since"
  looks_right "$TX_WIN" sigtx
  looks_right "$RX_WIN" sigrx
}

# Both are asked at once, and each must end with status 0. A station started
# through "start" (a Start-menu entry) is not the process started here,
# which ends at once: the window's process must end instead, and its status
# is not to be had.
close_both() {
  local station window pid shown status
  local -A shows=([sigtx]=$(xdotool getwindowpid "$TX_WIN") [sigrx]=$(xdotool getwindowpid "$RX_WIN"))
  for window in "$TX_WIN" "$RX_WIN"; do "$XCLOSE" "$window" || fail "cannot close window $window"; done
  for station in sigtx sigrx; do
    pid=TX_PID
    [ $station = sigrx ] && pid=RX_PID
    shown=${shows[$station]}
    timeout 10 tail -s 0.05 --pid="$shown" -f /dev/null || fail "$station did not end after its window closed"
    status=0
    wait "${!pid}" || status=$?
    [ "$shown" = "${!pid}" ] && [ "$status" -ne 0 ] && fail "$station ended with status $status"
    log "$station closed"
    eval "$pid="
  done
}

# wine_cable: a cable (not paced) between COM5 (TX_END) and COM6 (RX_END)
# of a prefix made by tools/wine-run.
wine_cable() {
  start_cable --no-pace
  ln -sfn "$TX_END" "$WINEPREFIX/ports/com5"
  ln -sfn "$RX_END" "$WINEPREFIX/ports/com6"
}

# stations.sh - the steps of a scripted run of the real sigtx and sigrx: a
# private X server, both stations on one virtual cable, pressing their
# buttons, reading their memos through the clipboard and comparing their
# charts. tools/demo runs one transmission and one reception with them where
# there is no display; the end-to-end tests (tests/e2e) and the station
# benchmarks (bench/) are made of them too.
#
# A script sources this file, then begins with
#   stations_begin NAME SIGLINK SIGTX SIGRX XCLOSE WORK_DIR
# (a test with e2e_begin and the same arguments, which also gives the
# stations settings and a locale of the test's own), calls the steps below
# and ends with e2e_pass or its own exit. Any failing step takes a screenshot
# into WORK_DIR/NAME and ends the script with status 1; on success that
# folder is removed.
#
# A station may be a Windows program (a .exe): it runs under wine
# (tools/wine-run) in the wine prefix SIG_WINE_PREFIX (default
# WORK_DIR/wine) on the private X server, and its cable end is given to it
# as a COM name that the prefix leads there.

set -uo pipefail

# The window's layout (no window manager here, so a window's client area is
# all of it): Form1, Button1, Memo1, Memo2, Chart1..Chart6 as WxH+X+Y.
. "$(dirname "${BASH_SOURCE[0]}")/window-geometry"
# centre_of WxH+X+Y: prints "X Y" of the region's middle, where a click goes.
centre_of() {
  local w h x y
  IFS='x+' read -r w h x y <<<"$1"
  echo $((x + w / 2)) $((y + h / 2))
}
read -r BUTTON_X BUTTON_Y < <(centre_of "$Button1")
read -r MEMO1_X MEMO1_Y < <(centre_of "$Memo1")
read -r MEMO2_X MEMO2_Y < <(centre_of "$Memo2")
readonly BUTTON_X BUTTON_Y MEMO1_X MEMO1_Y MEMO2_X MEMO2_Y
readonly CHARTS=("$Chart1" "$Chart2" "$Chart3" "$Chart4" "$Chart5" "$Chart6")
readonly MEMOS=("$Memo1" "$Memo2")
readonly TX_CAPTION="Лабстанція - ПЕРЕДАВАЧ"
readonly RX_CAPTION="Лабстанція - ПРИЙМАЧ"
# One frame on the paced line takes 1.252 s; the tests that receive after a
# transmission let a little more pass first. That pause is the scenario (the
# operator waits for the frame), not a wait for something to finish: a
# receive pressed while the frame still arrives follows it to its end
# (e2e-early-receive), so a slow machine does not fail them.
readonly FRAME_WAIT=1.4

stations_begin() {
  E2E_NAME=$1 SIGLINK=$2 SIGTX=$3 SIGRX=$4 XCLOSE=$5
  WORK=$6/$1 WINE_PREFIX=${SIG_WINE_PREFIX:-$6/wine}
  # An ordinary user running the suites (tools/as-user) may not write into
  # the build tree; the temporary folder is theirs.
  mkdir -p "$6" 2>/dev/null && [ -w "$6" ] || WORK=${TMPDIR:-/tmp}/sig-e2e-$1
  rm -rf "$WORK"
  mkdir -p "$WORK/xdg"
  chmod 700 "$WORK/xdg"
  export XDG_RUNTIME_DIR=$WORK/xdg QT_QPA_PLATFORM=xcb
  # Under AddressSanitizer: the X11 keyboard library that Qt's xcb platform
  # loads copies protocol strings with strndup past their NUL, which the
  # strict string checks report; none of that is our code.
  [ -n "${ASAN_OPTIONS:-}" ] && export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
  unset WAYLAND_DISPLAY
  XVFB_PID="" CABLE_PID="" DEMO_PID="" TX_PID="" RX_PID="" TX_WIN="" RX_WIN="" STEP=0
  trap stations_cleanup EXIT
  start_display
}

e2e_begin() {
  stations_begin "$@"
  # The stations' settings are the test's own, no variable names a port, and
  # the numbers read the same on every machine.
  mkdir -p "$WORK/config" "$WORK/config-all"
  export XDG_CONFIG_HOME=$WORK/config XDG_CONFIG_DIRS=$WORK/config-all LC_ALL=C.UTF-8
  unset SIGTX_PORT SIGRX_PORT
}

log() { echo "[$E2E_NAME $(date +%T.%N | cut -c1-12)] $*"; }

# fail MESSAGE: says why, keeps a screenshot and the logs' ends, exits 1.
# Inside $(...) or ( ... ) that exit ends only the subshell, and a subshell
# runs no cleanup: a step whose output is captured is called as
# `id=$(find_window ...) || exit 1`.
fail() {
  echo "FAILED ($E2E_NAME): $*" >&2
  if [ -n "${DISPLAY:-}" ]; then
    import -window root "$WORK/failure-screen.png" 2>/dev/null &&
      echo "screenshot: $WORK/failure-screen.png" >&2
  fi
  for f in "$WORK"/*.log; do
    [ -s "$f" ] && { echo "--- $f" >&2; tail -20 "$f" >&2; }
  done
  exit 1
}

stations_cleanup() {
  local status=$?
  for pid in $TX_PID $RX_PID $DEMO_PID; do kill "$pid" 2>/dev/null; done
  for pid in $TX_PID $RX_PID $DEMO_PID; do wait "$pid" 2>/dev/null; done
  [ -n "$CABLE_PID" ] && kill "$CABLE_PID" 2>/dev/null && wait "$CABLE_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  # Wine's desktop process served this X server: a later one, perhaps under
  # the same display number, needs a desktop of its own.
  [[ "$SIGTX $SIGRX" == *.exe* ]] && WINEPREFIX=$WINE_PREFIX wineserver -k 2>/dev/null
  # Keep only what explains a failure.
  [ "$status" -eq 0 ] && rm -rf "$WORK"
  exit "$status"
}

e2e_pass() {
  log "passed"
  exit 0
}

start_display() {
  # Xvfb picks a free display number itself and writes it to the fd.
  local fifo=$WORK/display
  Xvfb -displayfd 3 -screen 0 2000x1000x24 -nolisten tcp 3>"$fifo" >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    [ -s "$fifo" ] && break
    sleep 0.05
  done
  [ -s "$fifo" ] || fail "Xvfb did not start"
  export DISPLAY=:$(head -n1 "$fifo")
  log "display $DISPLAY"
}

# start_cable [OPTION...]: a cable (paced unless an option says otherwise,
# e.g. --bursts 20) whose ends are TX_END and RX_END.
start_cable() {
  : >"$WORK/ends"
  "$SIGLINK" cable "$@" >"$WORK/ends" 2>"$WORK/cable.log" &
  CABLE_PID=$!
  for _ in $(seq 100); do
    [ "$(wc -l <"$WORK/ends")" -ge 2 ] && break
    sleep 0.05
  done
  TX_END=$(sed -n 1p "$WORK/ends")
  RX_END=$(sed -n 2p "$WORK/ends")
  [ -n "$RX_END" ] || fail "siglink cable gave no ends"
}

# find_window CAPTION: prints the id of the visible window with that caption.
find_window() {
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
  [ -n "$id" ] || fail "no window \"$1\""
  echo "$id"
}

# start_tx / start_rx: the station on its cable end (--port).
start_tx() { start_tx_with --port "$(cable_end "$SIGTX" "$TX_END" COM101)"; }
start_rx() { start_rx_with --port "$(cable_end "$SIGRX" "$RX_END" COM102)"; }

# cable_end PROGRAM END COMNAME: what PROGRAM names the cable end END by:
# the end itself, or for a Windows program COMNAME, which the wine prefix
# (made here the first time, which takes 10-20 s) then leads to END.
cable_end() {
  case $1 in
  *.exe)
    "$(dirname "${BASH_SOURCE[0]}")/wine-run" --display "$WINE_PREFIX" cmd /c exit </dev/null >/dev/null 2>&1 ||
      fail "no wine prefix $WINE_PREFIX"
    ln -sfn "$2" "$WINE_PREFIX/dosdevices/${3,,}"
    echo "$3"
    ;;
  *) echo "$2" ;;
  esac
}

# run PROGRAM ARGUMENT... &: a Linux program, or a Windows one under wine,
# in place of the background job, so that $! is the program's process.
run() {
  case $1 in
  *.exe) exec "$(dirname "${BASH_SOURCE[0]}")/wine-run" --display "$WINE_PREFIX" "$@" ;;
  *) exec "$@" ;;
  esac
}

# start_tx_with ARGUMENT... / start_rx_with ARGUMENT...: the station started
# with those arguments, or none, as a menu entry starts it.
start_tx_with() {
  run "$SIGTX" "$@" >>"$WORK/sigtx.log" 2>&1 &
  TX_PID=$!
  TX_WIN=$(find_window "$TX_CAPTION") || exit 1
  xdotool windowmove --sync "$TX_WIN" 0 0
}

start_rx_with() {
  run "$SIGRX" "$@" >>"$WORK/sigrx.log" 2>&1 &
  RX_PID=$!
  RX_WIN=$(find_window "$RX_CAPTION") || exit 1
  xdotool windowmove --sync "$RX_WIN" 1000 0
}

# start_demo [OPTION...]: both stations through "siglink demo", as tools/demo
# starts them; the options go to siglink demo (--noise RATE --seed N).
start_demo() {
  "$SIGLINK" demo "$@" "$SIGTX" "$SIGRX" >"$WORK/demo.log" 2>&1 &
  DEMO_PID=$!
  TX_WIN=$(find_window "$TX_CAPTION") || exit 1
  RX_WIN=$(find_window "$RX_CAPTION") || exit 1
  xdotool windowmove --sync "$TX_WIN" 0 0
  xdotool windowmove --sync "$RX_WIN" 1000 0
}

# sleep_until SECONDS START: sleeps until SECONDS have passed since START (a
# `date +%s%N` reading), or not at all when they have.
sleep_until() {
  sleep "$(awk -v ns=$(($(date +%s%N) - $2)) -v s="$1" 'BEGIN { s -= ns / 1e9; print (s > 0 ? s : 0) }')"
}

press() { # WINDOW
  xdotool mousemove --window "$1" $BUTTON_X $BUTTON_Y click 1
}

# transmit LINES: presses sigtx's button and waits until its run is over
# (its memos hold LINES lines): the whole frame is then written to the cable
# and on its way, which takes the line FRAME_WAIT at most.
transmit() {
  press "$TX_WIN"
  wait_lines "$TX_WIN" "$1"
}

# send_frame TX_LINES RX_LINES: a transmission, the frame's time on the line,
# a reception; sigtx then lists TX_LINES lines, sigrx RX_LINES.
send_frame() {
  transmit "$1"
  sleep "$FRAME_WAIT"
  press "$RX_WIN"
  wait_lines "$RX_WIN" "$2"
}

# memo_text WINDOW 1|2: prints the memo's whole text (select all, copy).
memo_text() {
  local x=$MEMO1_X y=$MEMO1_Y text
  [ "$2" = 2 ] && x=$MEMO2_X y=$MEMO2_Y
  # A marker in the clipboard tells a finished copy from an old one.
  printf 'no-copy-yet' | xclip -selection clipboard -i >/dev/null 2>&1
  # ctrl+Home then clears the selection, which would show in a screenshot.
  # (Without a window manager a click gives wine's windows no keyboard
  # focus: windowfocus does.)
  xdotool windowfocus --sync "$1" mousemove --window "$1" "$x" "$y" click 1 key ctrl+a ctrl+c ctrl+Home
  for _ in $(seq 60); do
    text=$(xclip -selection clipboard -o 2>/dev/null)
    [ "$text" != "no-copy-yet" ] && break
    sleep 0.05
  done
  [ "$text" = "no-copy-yet" ] && text=""
  printf '%s\n' "$text" | sed '/^$/d'
}

# wait_lines WINDOW COUNT: waits until both memos hold COUNT lines.
wait_lines() {
  local n
  for _ in $(seq 40); do
    n=$(memo_text "$1" 2 | wc -l)
    [ "$n" -ge "$2" ] && [ "$(memo_text "$1" 1 | wc -l)" -ge "$2" ] && return 0
    sleep 0.25
  done
  fail "window $1 shows $n lines, expected $2"
}

# memos_equal TX_FIRST TX_LAST [RX_FIRST]: lines TX_FIRST..TX_LAST of the
# transmitter's memos equal, line for line, the receiver's memo lines from
# RX_FIRST (default 1), and those are the receiver's last lines.
memos_equal() {
  STEP=$((STEP + 1))
  local m count=$(($2 - $1 + 1)) from=${3:-1} got
  for m in 1 2; do
    memo_text "$TX_WIN" $m | sed -n "$1,$2p" >"$WORK/step$STEP-tx-memo$m.txt"
    memo_text "$RX_WIN" $m >"$WORK/step$STEP-rx-all$m.txt"
    got=$(wc -l <"$WORK/step$STEP-rx-all$m.txt")
    [ "$got" -eq $((from - 1 + count)) ] || fail "Memo$m of sigrx has $got lines, expected $((from - 1 + count))"
    tail -n +"$from" "$WORK/step$STEP-rx-all$m.txt" >"$WORK/step$STEP-rx-memo$m.txt"
    diff "$WORK/step$STEP-tx-memo$m.txt" "$WORK/step$STEP-rx-memo$m.txt" >"$WORK/step$STEP-memo$m.diff" ||
      fail "Memo$m differs (step $STEP): $(head -5 "$WORK/step$STEP-memo$m.diff")"
  done
  rm -f "$WORK"/step$STEP-*
}

# charts_equal [SKIP...]: the six chart regions (but the numbers given) are
# pixel-identical in both windows. A window still painting shows an older
# picture, so they are captured again until they agree or 5 s have passed.
charts_equal() {
  STEP=$((STEP + 1))
  local skip=" $* " i diff tries
  for tries in $(seq 20); do
    [ "$tries" -gt 1 ] && sleep 0.25
    import -window "$TX_WIN" "$WORK/step$STEP-tx.png" || fail "cannot capture sigtx"
    import -window "$RX_WIN" "$WORK/step$STEP-rx.png" || fail "cannot capture sigrx"
    local bad=0
    for i in "${!CHARTS[@]}"; do
      [[ "$skip" == *" $((i + 1)) "* ]] && continue
      # [geometry] crops as the file is read.
      diff=$(compare -metric AE "$WORK/step$STEP-tx.png[${CHARTS[$i]}]" "$WORK/step$STEP-rx.png[${CHARTS[$i]}]" \
        "$WORK/step$STEP-diff-chart$((i + 1)).png" 2>&1)
      [ "$diff" = 0 ] || { bad=$((i + 1)); break; }
    done
    [ "$bad" = 0 ] && { rm -f "$WORK"/step$STEP-*; return 0; }
  done
  fail "Chart$bad differs in $diff pixels (step $STEP; see $WORK/step$STEP-*.png)"
}

# close_window WINDOW PID NAME: closes the window as its close button does;
# the program must end with status 0.
close_window() {
  "$XCLOSE" "$1" || fail "cannot close $3"
  ends_with "$2" "$3" 0
}

# ends_with PID NAME STATUS: the program ends within 10 s, with that status.
ends_with() {
  local status=0
  timeout 10 tail -s 0.05 --pid="$1" -f /dev/null || fail "$2 did not end"
  wait "$1" || status=$?
  [ "$status" -eq "$3" ] || fail "$2 ended with status $status, expected $3"
  log "$2 ended, status $3"
}

# capture WINDOW FILE: the window as a PNG file.
capture() {
  import -window "$1" "$2" || fail "cannot capture window $1"
}

# shows_as_before WINDOW BEFORE: the window's memos and charts look exactly as
# in the capture BEFORE: nothing was listed or charted since.
shows_as_before() {
  STEP=$((STEP + 1))
  local region diff
  capture "$1" "$WORK/step$STEP-now.png"
  for region in "${MEMOS[@]}" "${CHARTS[@]}"; do
    diff=$(compare -metric AE "$2[$region]" "$WORK/step$STEP-now.png[$region]" null: 2>&1)
    [ "$diff" = 0 ] || fail "the region $region changed in $diff pixels (step $STEP; see $WORK/step$STEP-now.png)"
  done
  rm -f "$WORK"/step$STEP-*
}

# error_box PID MAIN_WINDOW: waits for the program's error box (a visible
# window of it other than its main window) and prints its id.
error_box() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | grep -vx "$2" | head -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  fail "no error box from process $1"
}

# dismiss BOX: closes the box as its close button does and waits until it is
# gone.
dismiss() {
  "$XCLOSE" "$1" || fail "cannot close the box $1"
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  fail "the box $1 did not close"
}

# stations.sh - the one harness that runs the real stations: a private X
# server, siglink cables, a station on each end (Linux, or under wine on a
# COM name), presses, memo copies, chart comparisons, error boxes. Begin with
# stations_begin NAME SIGLINK SIGTX SIGRX XCLOSE DIR (e2e_begin: settings and
# locale of the test's own, "passed" at the end; harness_begin NAME DIR: no
# display). A failing step explains itself, keeps DIR/NAME, exits 1. Every
# wait lasts up to WAIT s (60): a busy machine makes a step slow, not failed.
set -uo pipefail
HARNESS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HARNESS/window-geometry"
centre_of() { local w h x y; IFS='x+' read -r w h x y <<<"$1"; echo $((x + w / 2)) $((y + h / 2)); }
read -r BUTTON_X BUTTON_Y MEMO1_X MEMO1_Y MEMO2_X MEMO2_Y <<<"$(centre_of "$Button1") $(centre_of "$Memo1") $(centre_of "$Memo2")"
CHARTS=("$Chart1" "$Chart2" "$Chart3" "$Chart4" "$Chart5" "$Chart6")
TX_CAPTION="Лабстанція - ПЕРЕДАВАЧ" RX_CAPTION="Лабстанція - ПРИЙМАЧ"
# The operator's pause for a frame (1.252 s on the paced line).
FRAME_WAIT=1.4
WAIT=${WAIT:-60}
NAME=harness WORK=${TMPDIR:-/tmp} KEEP_FAILED=1 TEST="" STEP=0 WINE_UP="" XVFB_PID="" DEMO_PID=""
TX_CMD=() RX_CMD=() CABLES=() TX_PID="" RX_PID="" TX_WIN="" RX_WIN=""

log() { echo "[$NAME $(date +%T.%N | cut -c1-12)] $*"; }

harness_begin() {
  NAME=$1 WORK=$2/$1
  # An ordinary user (tools/as-user) may not write into the build tree.
  mkdir -p "$2" 2>/dev/null && [ -w "$2" ] || WORK=${TMPDIR:-/tmp}/sig-e2e-$1
  rm -rf "$WORK" && mkdir -p "$WORK"
  trap stations_cleanup EXIT
}

stations_begin() {
  harness_begin "$1" "$6"
  SIGLINK=$2 SIGTX=$3 SIGRX=$4 XCLOSE=$5 WINE_PREFIX=${SIG_WINE_PREFIX:-$6/wine} TX_CMD=("$3") RX_CMD=("$4")
  mkdir -m 700 "$WORK/xdg"
  # Wine's menu entries go into the run's folder, not this machine's menus.
  export XDG_RUNTIME_DIR=$WORK/xdg XDG_DATA_HOME=$WORK/data QT_QPA_PLATFORM=xcb
  # Qt's xcb platform loads libxkbcommon, which reads strings past their NUL.
  [ -n "${ASAN_OPTIONS:-}" ] && export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
  unset WAYLAND_DISPLAY DISPLAY
  # Stations in a locale without UTF-8 (none set, as on a fresh server) name
  # their windows so that no search finds the Cyrillic captions.
  [ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
  # Without -noreset its last client leaving resets it, dropping one connecting.
  Xvfb -displayfd 3 -screen 0 2000x1000x24 -nolisten tcp -noreset 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  wait_for "Xvfb did not start" test -s "$WORK/display"
  export DISPLAY=:$(head -n1 "$WORK/display")
  # Its number is no promise that a program can connect yet.
  wait_for "display $DISPLAY does not answer" eval 'xdpyinfo >/dev/null 2>&1'
  log "display $DISPLAY"
}

# Numbers alike on every machine; no settings or port but the test's own.
e2e_begin() {
  stations_begin "$@"
  mkdir "$WORK/config" "$WORK/config-all"
  export XDG_CONFIG_HOME=$WORK/config XDG_CONFIG_DIRS=$WORK/config-all LC_ALL=C.UTF-8
  unset SIGTX_PORT SIGRX_PORT
  TEST=1
}
# bench_begin NAME BUILD_DIR: e2e_begin on that build's programs, in its bench folder.
bench_begin() {
  local b
  b=$(cd "$2" && pwd) || exit 1
  e2e_begin "$1" "$b/tools/siglink/siglink" "$b/transmitter/sigtx" "$b/receiver/sigrx" "$b/tests/e2e/xclose" "$b/bench"
}

# fail MESSAGE: why, the windows shown, a screenshot, the logs' ends (under
# wine with wine's error lines); exits 1: steps return results in variables.
fail() {
  local id f
  echo "FAILED ($NAME): $*" >&2
  if [ -n "${DISPLAY:-}" ]; then
    for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
      echo "window $id \"$(xdotool getwindowname "$id" 2>/dev/null)\" of process $(xdotool getwindowpid "$id" 2>/dev/null)"
    done >&2
    import -window root "$WORK/failure-screen.png" 2>/dev/null && echo "screenshot: $WORK/failure-screen.png" >&2
  fi
  for f in "$WORK"/*.log; do
    [ -s "$f" ] && { echo "--- $f" && tail -30 "$f"; } >&2
  done
  exit 1
}

stations_cleanup() {
  local status=$? pid
  for pid in $TX_PID $RX_PID $DEMO_PID; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  # Wine's desktop served this X server: a later one needs its own.
  [ -n "$WINE_UP" ] && wineserver -k 2>/dev/null
  for pid in "${CABLES[@]}" $XVFB_PID; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  [ "$status" -ne 0 ] && [ -n "$KEEP_FAILED" ] || rm -rf "$WORK"
  [ "$status" -eq 0 ] && [ -n "$TEST" ] && log passed
  exit "$status"
}

# wait_for FAILURE COMMAND...: COMMAND every POLL s (0.1) until it succeeds; after
# WAIT s the step fails with FAILURE and WHY (where COMMAND set it).
wait_for() {
  local failure=$1 end=$((SECONDS + WAIT))
  shift
  WHY=""
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || fail "$failure${WHY:+: $WHY} (waited $WAIT s)"
    sleep "${POLL:-0.1}"
  done
}
alive() { local _ state; read -r _ _ state _ 2>/dev/null <"/proc/$1/stat" && [ "$state" != Z ]; } # not a zombie
gone() { ! alive "$1"; }
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }

# start_cable [OPTION...]: a siglink cable (paced by default): CABLE, TX_END, RX_END.
start_cable() {
  local ends=$WORK/cable${#CABLES[@]}
  : >"$ends"
  "$SIGLINK" cable "$@" >"$ends" 2>>"$WORK/cable.log" &
  CABLE=$!
  CABLES+=("$CABLE")
  wait_for "siglink cable $* gave no ends" eval '[ "$(wc -l <"$ends")" -ge 2 ]'
  { read -r TX_END; read -r RX_END; } <"$ends"
}

# com_names END...: COMS, a free COM name of WINEPREFIX for each END ("COM21
# COM22"): a link in dosdevices, read by wine at every open, the cable
# CABLE's (in lines/comN) until it ends. Lower names are the machine's.
com_names() {
  local n=20 end names=() lines=$WINEPREFIX/lines
  mkdir -p "$lines"
  {
    flock 8
    for end in "$@"; do
      n=$((n + 1))
      while [ -f "$lines/com$n" ] && alive "$(cat "$lines/com$n")"; do n=$((n + 1)); done
      [ $n -le 98 ] || fail "no free COM name in $WINEPREFIX"
      echo "$CABLE" >"$lines/com$n"
      ln -sfn "$end" "$WINEPREFIX/dosdevices/com$n"
      names+=("COM$n")
    done
  } 8>"$lines/lock"
  COMS=${names[*]}
}

# wine_up: WINE_PREFIX, its server anew on this display (whose size it keeps).
wine_up() {
  [ -n "$WINE_UP" ] && return 0
  export WINEPREFIX=$WINE_PREFIX WINEDEBUG=-all WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  [ -e "$WINEPREFIX/.sig-ready" ] || "$HARNESS/wine-run" "$WINEPREFIX" cmd /c exit </dev/null >>"$WORK/wine.log" 2>&1 ||
    fail "no wine prefix $WINEPREFIX"
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  wineserver -p </dev/null >/dev/null 2>&1
  WINE_UP=1
}

# use_station tx|rx COMMAND...: what starts that station from now on: under
# wine a .exe, or through "start" (as a shortcut, .lnk, opens), whose
# process is not the station's.
use_station() { local -n cmd=${1^^}_CMD; shift; cmd=("$@"); }
on_wine() { local -n cmd=${1^^}_CMD; [[ "${cmd[0],,}" == *.exe ]] || by_start "$1"; }
by_start() { local -n cmd=${1^^}_CMD; [[ "${cmd[0],,}" == *.lnk || "${cmd[0]}" == start ]]; }

# launch tx|rx [ARGUMENT...]: started in the background: TX_PID, WORK/sigtx.log.
launch() {
  local side=$1
  local -n cmd=${1^^}_CMD pid=${1^^}_PID
  shift
  SINCE=$(date +%s%N)
  if on_wine "$side"; then
    wine_up
    if [[ "${cmd[0],,}" == *.lnk ]]; then set -- start /wait "${cmd[@]}" "$@"; else set -- "${cmd[@]}" "$@"; fi
    WINEDEBUG=-all,err+all wine "$@" >>"$WORK/sig$side.log" 2>&1 &
  else
    "${cmd[@]}" "$@" >>"$WORK/sig$side.log" 2>&1 &
  fi
  pid=$!
}

# start_station tx|rx [ARGUMENT...]: its window TX_WIN, moved to its side.
start_station() {
  local side=$1 s=${1^^}
  launch "$@"
  local -n pid=${s}_PID win=${s}_WIN caption=${s}_CAPTION
  # Wine's loader now and then cannot place a new process (c0000018) on a busy
  # machine, before any of the station runs: such a start is made once more.
  wait_for "no window \"$caption\"" shown_or_ended "$caption" "$pid"
  [ -n "$FOUND" ] || ! grep -q "map the shared user data" "$WORK/sig$side.log" || { log "wine did not start sig$side; again" && launch "$@"; }
  find_window "$caption" "$(by_start "$side" || echo "$pid")"
  win=$FOUND SHOWN_MS=$(ms_since "$SINCE")
  log "sig$side showed its window after $SHOWN_MS ms"
  xdotool windowmove --sync "$win" $([ "$side" = tx ] && echo 0 || echo 1000) 0 || fail "cannot move sig$side"
}
start_tx() { cable_end tx && start_station tx --port "$PORT"; }
start_rx() { cable_end rx && start_station rx --port "$PORT"; }
start_both() { start_cable "$@" && start_tx && start_rx; }

# cable_end tx|rx: PORT, the device of its cable end, or under wine a COM name.
cable_end() {
  local -n end=${1^^}_END
  PORT=$end
  ! on_wine "$1" || { wine_up && com_names "$end" && PORT=$COMS; }
}

# start_demo [OPTION...]: both stations through "siglink demo", as tools/demo
# starts them; the options go to siglink demo (--noise RATE --seed N).
start_demo() {
  "$SIGLINK" demo "$@" "$SIGTX" "$SIGRX" >"$WORK/demo.log" 2>&1 &
  DEMO_PID=$!
  find_window "$TX_CAPTION" "$DEMO_PID" && TX_WIN=$FOUND
  find_window "$RX_CAPTION" "$DEMO_PID" && RX_WIN=$FOUND
  xdotool windowmove --sync "$TX_WIN" 0 0 windowmove --sync "$RX_WIN" 1000 0 || fail "cannot move the windows"
}

# find_window CAPTION [PID]: FOUND, the visible window so named. A search that
# errors (a window vanished under it, as wine's do) is made again; PID ending fails.
find_window() { wait_for "no window \"$1\"" window_shown "$@"; }
window_shown() {
  FOUND=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
  [ -n "$FOUND" ] && return 0
  [ -z "${2:-}" ] || alive "$2" || { wait "$2"; fail "its program ended with status $? before the window \"$1\" showed"; }
  return 1
}
shown_or_ended() { window_shown "$1" || gone "$2"; }

# sleep_until SECONDS START: until SECONDS have passed since START (date +%s%N).
sleep_until() {
  sleep "$(awk -v ns=$(($(date +%s%N) - $2)) -v s="$1" 'BEGIN { s -= ns / 1e9; print (s > 0 ? s : 0) }')"
}

press() { xdotool mousemove --window "$1" $BUTTON_X $BUTTON_Y click 1 || fail "cannot press in window $1"; }

# transmit LINES: sigtx's button pressed, its run over (LINES lines listed).
transmit() { press "$TX_WIN" && wait_lines "$TX_WIN" "$1"; }

# send_frame TX_LINES RX_LINES: transmit, the frame's time, receive; then listed.
send_frame() { transmit "$1" && sleep "$FRAME_WAIT" && press "$RX_WIN" && wait_lines "$RX_WIN" "$2"; }

# memo_text WINDOW 1|2: MEMO, the memo's lines (select all, copy; a marker
# tells a copy from none yet). A busy wine answers keys late or loses them
# (its focus not there yet): after 5 s without a copy they go again.
memo_text() {
  local x=$MEMO1_X y=$MEMO1_Y end=$((SECONDS + WAIT)) round
  [ "$2" = 2 ] && x=$MEMO2_X y=$MEMO2_Y
  while [ "$SECONDS" -lt "$end" ]; do
    printf no-copy-yet | xclip -selection clipboard -i >/dev/null 2>&1
    # (Without a window manager only windowfocus focuses wine's windows;
    # ctrl+Home clears the selection, which a screenshot would show.)
    if xdotool windowfocus --sync "$1" mousemove --window "$1" "$x" "$y" click 1 key ctrl+a ctrl+c ctrl+Home 2>/dev/null; then
      round=$((SECONDS + 5))
      while [ "$SECONDS" -lt "$round" ]; do
        MEMO=$(timeout 5 xclip -selection clipboard -o 2>/dev/null) && [ "$MEMO" != no-copy-yet ] &&
          { MEMO=$(sed '/^$/d' <<<"$MEMO"); return 0; }
        sleep 0.1
      done
    fi
  done
  MEMO=""
}
memo_lines() { [ -z "$MEMO" ] || printf '%s\n' "$MEMO"; }

# wait_lines WINDOW COUNT: until both memos hold COUNT lines.
wait_lines() { wait_for "window $1 does not show $2 lines" memos_hold "$1" "$2"; }
memos_hold() {
  local m n
  for m in 2 1; do
    memo_text "$1" $m
    n=$(memo_lines | wc -l)
    [ "$n" -ge "$2" ] || { WHY="Memo$m shows $n"; return 1; }
  done
}

# memos_equal TX_FIRST TX_LAST [RX_FIRST]: those are sigrx's from RX_FIRST (1) on.
memos_equal() {
  local m from=${3:-1} got s=$WORK/step$((STEP += 1))
  local want=$((from + $2 - $1))
  for m in 1 2; do
    memo_text "$TX_WIN" $m
    memo_lines | sed -n "$1,$2p" >"$s-tx-memo$m.txt"
    memo_text "$RX_WIN" $m
    got=$(memo_lines | tee "$s-rx-all$m.txt" | wc -l)
    [ "$got" -eq "$want" ] || fail "Memo$m of sigrx has $got lines, expected $want"
    tail -n +"$from" "$s-rx-all$m.txt" | diff "$s-tx-memo$m.txt" - >"$s-memo$m.diff" ||
      fail "Memo$m differs (step $STEP): $(head -5 "$s-memo$m.diff")"
  done
  rm -f "$s"-*
}

# charts_equal [SKIP...]: the charts but SKIP pixel-identical (a window may still paint).
charts_equal() {
  wait_for "the charts differ (step $((STEP += 1)))" charts_agree " $* "
  rm -f "$WORK/step$STEP"-*
}
charts_agree() {
  local i diff s=$WORK/step$STEP
  import -window "$TX_WIN" "$s-tx.png" && import -window "$RX_WIN" "$s-rx.png" || { WHY="no capture"; return 1; }
  for i in 1 2 3 4 5 6; do
    [[ "$1" == *" $i "* ]] && continue
    # [geometry] crops as the file is read.
    diff=$(compare -metric AE "$s-tx.png[${CHARTS[i - 1]}]" "$s-rx.png[${CHARTS[i - 1]}]" "$s-diff-chart$i.png" 2>&1)
    [ "$diff" = 0 ] || { WHY="Chart$i differs in $diff pixels (see $s-*.png)"; return 1; }
  done
}

capture() { import -window "$1" "$2" || fail "cannot capture window $1"; } # WINDOW FILE

# shows_as_before WINDOW BEFORE: memos and charts as in the capture BEFORE. A
# window repainting where a box just closed shows the box a moment longer.
shows_as_before() {
  wait_for "the window changed (step $((STEP += 1)))" looks_as_before "$@"
  rm -f "$WORK/step$STEP-now.png"
}
looks_as_before() {
  local region diff now=$WORK/step$STEP-now.png
  capture "$1" "$now"
  for region in "$Memo1" "$Memo2" "${CHARTS[@]}"; do
    diff=$(compare -metric AE "$2[$region]" "$now[$region]" null: 2>&1)
    [ "$diff" = 0 ] || { WHY="the region $region changed in $diff pixels (see $now)"; return 1; }
  done
}

# close_station tx|rx: closed as by its close button, it ends with status 0.
close_station() {
  local s=${1^^} shown
  local -n pid=${s}_PID win=${s}_WIN
  shown=$(xdotool getwindowpid "$win" 2>/dev/null) || shown=$pid
  "$XCLOSE" "$win" || fail "cannot close sig$1"
  if [ "$shown" = "$pid" ]; then
    ends_with "$pid" "sig$1" 0
  else
    wait_for "sig$1 did not end" gone "$shown"
    wait "$pid"
  fi
  pid=""
}
close_both() { close_station tx && close_station rx; }

# ends_with PID NAME STATUS: the program ends, with that status.
ends_with() {
  local status=0
  wait_for "$2 did not end" gone "$1"
  wait "$1" || status=$?
  [ "$status" -eq "$3" ] || fail "$2 ended with status $status, expected $3"
  log "$2 ended, status $3"
}

# error_box PID MAIN_WINDOW: BOX is a visible window of PID but its main one.
error_box() { wait_for "no error box from process $1" box_up "$@"; }
box_up() { BOX=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | grep -vx "$2" | head -n1) && [ -n "$BOX" ]; }

# dismiss BOX: closed, and gone (asked of it alone: a search of all can fail).
dismiss() {
  "$XCLOSE" "$1" || fail "cannot close the box $1"
  wait_for "the box $1 did not close" unviewable "$1"
}
unviewable() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

# looks_right: both windows have the Linux window's size and an icon.
looks_right() {
  local win size
  for win in "$TX_WIN" "$RX_WIN"; do
    size=$(xdotool getwindowgeometry "$win" | sed -n 's/^ *Geometry: //p')
    [ "$size" = "$Form1" ] || fail "window $win is $size, not $Form1"
    xprop -id "$win" _NET_WM_ICON | grep -q 'Icon (16 x 16)' || fail "window $win has no icon"
  done
}

# pair NAME DIR: both stations on a paced cable in the lab's locale (uk_UA,
# a decimal comma; compiled here), one frame, equal memos. Wine's fonts
# differ: the windows are saved, not compared (DIR/NAME-sigtx.png, -sigrx.png).
pair() {
  local -x LOCPATH=$WORK/locale LC_ALL=uk_UA.UTF-8 2>/dev/null # (bash itself cannot take it)
  [ -d "$LOCPATH" ] || { mkdir "$LOCPATH" && localedef -i uk_UA -f UTF-8 "$LOCPATH/uk_UA.UTF-8" >/dev/null 2>&1; } ||
    fail "cannot compile the locale uk_UA"
  start_both
  send_frame 200 200
  memos_equal 1 200
  capture "$TX_WIN" "$2/$1-sigtx.png"
  capture "$RX_WIN" "$2/$1-sigrx.png"
  log "pictures: $2/$1-sigtx.png, $2/$1-sigrx.png"
  close_both
}

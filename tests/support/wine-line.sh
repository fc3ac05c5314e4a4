#!/usr/bin/env bash
# wine-line.sh plug FOLDER SIGLINK | pull FOLDER [keep] - the window and fault
# tests' lines (PtyLineWine.cpp, inside wine, which does not wait: FOLDER/done
# ends each run, FOLDER.log says why):
#   plug  a cable (not paced), its ends' COM names in FOLDER/names ("COM21 COM22");
#         where a pull kept them, the same names lead to the new cable (a replug);
#   pull  ends the cable: the station's line is gone; "keep" holds its names.
# FOLDER is in the test's runtime folder: a cable still plugged ends with it.
. "$(dirname "$0")/stations.sh"
action=$1 WORK=$2 SIGLINK=${3:-}
exec </dev/null >>"$WORK.log" 2>&1
trap ': >"$WORK/done"' EXIT
# own PID: the line's names in WINEPREFIX belong to PID from now on.
own() { for name in $(cat "$WORK/names"); do echo "$1" >"$WINEPREFIX/lines/com${name#COM}"; done; }
case $action in
plug)
  mkdir -p "$WORK"
  start_cable --no-pace
  echo "$CABLE" >"$WORK/cable"
  if [ -s "$WORK/names" ]; then
    own "$CABLE"
    read -r tx rx <"$WORK/names"
    ln -sfn "$TX_END" "$WINEPREFIX/dosdevices/com${tx#COM}"
    ln -sfn "$RX_END" "$WINEPREFIX/dosdevices/com${rx#COM}"
  else
    com_names "$TX_END" "$RX_END"
    echo "$COMS" >"$WORK/names"
  fi
  (while [ -d "$WORK" ] && alive "$CABLE"; do sleep 0.2; done; kill "$CABLE" 2>/dev/null) &
  ;;
pull)
  # Kept names belong, until the next plug, to a keeper that ends with the test.
  [ "${3:-}" = keep ] && { (while [ -d "$WORK" ]; do sleep 0.5; done) & own $!; }
  cable=$(cat "$WORK/cable")
  kill "$cable"
  wait_for "the cable did not end" gone "$cable"
  [ "${3:-}" = keep ] || rm -f "$WORK/names"
  ;;
esac

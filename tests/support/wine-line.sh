#!/usr/bin/env bash
# wine-line.sh plug FOLDER SIGLINK | pull FOLDER - the window and fault tests'
# lines (PtyLineWine.cpp, inside wine, which does not wait: FOLDER/done ends
# each run, FOLDER.log says why):
#   plug  a cable (not paced), its ends' COM names in FOLDER/names ("COM21 COM22");
#   pull  ends the cable: the station's line is gone.
# FOLDER is in the test's runtime folder: a cable still plugged ends with it.
. "$(dirname "$0")/stations.sh"
action=$1 WORK=$2 SIGLINK=${3:-}
exec </dev/null >>"$WORK.log" 2>&1
trap ': >"$WORK/done"' EXIT
case $action in
plug)
  mkdir -p "$WORK"
  start_cable --no-pace
  echo "$CABLE" >"$WORK/cable"
  com_names "$TX_END" "$RX_END"
  (while [ -d "$WORK" ] && alive "$CABLE"; do sleep 0.2; done; kill "$CABLE" 2>/dev/null) &
  echo "$COMS" >"$WORK/names"
  ;;
pull)
  cable=$(cat "$WORK/cable")
  kill "$cable"
  wait_for "the cable did not end" gone "$cable"
  ;;
esac

#!/usr/bin/env bash
# wine-line.sh plug FOLDER SIGLINK | pull FOLDER [keep] - the serial lines of
# the window and fault tests under wine (tests/support/PtyLineWine.cpp starts
# this script from inside wine, as a Unix program).
#   plug  starts a siglink cable (not paced), leads the first free pair of
#         COM names COM21..COM98 of the wine prefix to its two ends and
#         writes the pair ("COM21 COM22") into FOLDER/names; a FOLDER that
#         had a cable leads the same names to the new one (a replug);
#   pull  ends the cable, so the station's line is gone, and frees its names
#         unless "keep" holds them for the next plug.
# Wine starts a Unix program without waiting for it, so each run ends by
# making FOLDER/done (a plug without FOLDER/names failed: FOLDER.log says
# why). FOLDER lies in the test's private runtime folder
# (tests/support/private-runtime.sh), which is removed when the test ends:
# a cable whose test ended without pulling it (a crash, a time-out) ends
# then too. COM5..COM12 stay the port tests' (tests/windows/wine-ports).
set -u
action=$1 folder=$2
exec </dev/null >>"$folder.log" 2>&1
finish() {
  : >"$folder/done"
  exit 0
}

# Whether the process runs (not ended, not a zombie).
alive() {
  local pid _ state
  read -r pid _ state _ <"/proc/$1/stat" 2>/dev/null && [ "$state" != Z ]
}

# unplug CABLE FIRST [keep]: ends the cable (its ends close once it is no
# longer alive) and frees its names unless kept.
unplug() {
  kill "$1" 2>/dev/null
  while alive "$1"; do sleep 0.005; done
  rm -f "$WINEPREFIX/dosdevices/com$2" "$WINEPREFIX/dosdevices/com$(($2 + 1))"
  [ "${3:-}" = keep ] || rm -rf "$WINEPREFIX/lines/com$2"
}

# take FIRST: whether COM<FIRST> and the next are free, and if so takes them.
# A pair whose cable is no longer alive and whose test's folder is gone (a
# test killed with its runtime folder left behind) is free again.
take() {
  local lock=$WINEPREFIX/lines/com$1
  if [ -f "$lock/pid" ] && ! alive "$(cat "$lock/pid")" && [ ! -d "$(cat "$lock/folder" 2>/dev/null)" ]; then
    rm -rf "$lock"
  fi
  mkdir "$lock" 2>/dev/null && echo "$folder" >"$lock/folder"
}

case $action in
plug)
  siglink=$3
  mkdir -p "$folder" "$WINEPREFIX/lines"
  if [ -s "$folder/first" ]; then
    first=$(cat "$folder/first")
  else
    first=21
    until take $first; do
      first=$((first + 2))
      [ $first -le 97 ] || { echo "wine-line: no free COM names"; finish; }
    done
    echo "$first" >"$folder/first"
  fi
  : >"$folder/ends"
  "$siglink" cable --no-pace >"$folder/ends" &
  cable=$!
  echo $cable >"$folder/pid"
  echo $cable >"$WINEPREFIX/lines/com$first/pid"
  until [ "$(wc -l <"$folder/ends")" -ge 2 ]; do
    alive $cable || { echo "wine-line: $siglink cable ended"; finish; }
    sleep 0.005
  done
  ln -sfn "$(sed -n 1p "$folder/ends")" "$WINEPREFIX/dosdevices/com$first"
  ln -sfn "$(sed -n 2p "$folder/ends")" "$WINEPREFIX/dosdevices/com$((first + 1))"
  echo "COM$first COM$((first + 1))" >"$folder/names"
  # The test's end (its runtime folder removed) ends a cable left plugged.
  (
    while [ -d "$folder" ] && alive $cable; do sleep 0.2; done
    alive $cable && unplug $cable $first
  ) &
  finish
  ;;
pull)
  unplug "$(cat "$folder/pid")" "$(cat "$folder/first")" "${3:-}"
  finish
  ;;
esac

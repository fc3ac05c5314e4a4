#!/usr/bin/env bash
# Where tools/demo puts the two windows (window_places): side by side on a
# wide work area, staggered on a narrow one, the shown workspace's area of
# several, the screen without an area, nothing where nothing is known.
set -euo pipefail  # as tools/demo runs it
. "$(dirname "$0")/../../tools/demo"
failed=0
# check WORKAREA DESKTOP EXTENTS SCREEN EXPECTED
check() {
  local got
  got=$(window_places "$1" "$2" "$3" "$4") || got="status $?"
  [ "$got" = "$5" ] && return 0
  echo "FAILED (demo_placement): window_places '$1' '$2' '$3' '$4' gave '$got', expected '$5'" >&2
  failed=1
}
none="_NET_WORKAREA:  not found."
check "_NET_WORKAREA = 0, 0, 2560, 1400" "_NET_CURRENT_DESKTOP = 0" "" "" "0 40 1280 40"
check "_NET_WORKAREA = 0, 0, 1900, 1050" "" "_NET_FRAME_EXTENTS = 0, 0, 0, 0" "" "0 40 955 40"
# Four workspaces, a top panel, a framed window: staggered, 8 px below the charts' top.
check "_NET_WORKAREA = 0, 27, 1366, 741, 0, 27, 1366, 741, 0, 27, 1366, 741, 0, 27, 1366, 741" \
  "_NET_CURRENT_DESKTOP = 2" "_NET_FRAME_EXTENTS = 1, 1, 28, 1" "1366 768" "0 27 419 111"
check "_NET_WORKAREA = 0, 0, 2560, 1440, 100, 30, 1280, 994" "_NET_CURRENT_DESKTOP = 1" "" "" "100 30 435 393"
check "_NET_WORKAREA = 0, 0, 1024, 768" "_NET_CURRENT_DESKTOP = 5" "" "" "0 0 79 137"
check "$none" "" "" "1024 600" "0 0 79 56"
check "$none" "" "" "800 600" "0 0 0 56"
check "$none" "" "" "" ""
[ "$failed" = 0 ] || exit 1
echo "demo_placement passed"

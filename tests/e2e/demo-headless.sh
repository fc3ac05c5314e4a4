#!/usr/bin/env bash
# tools/demo without a display or a locale (a fresh server over ssh) on this
# build's programs: status 0, the agreement last, both windows saved in
# FOLDER as window-sized PNG files.
# Usage: demo-headless.sh BUILD_DIR FOLDER
set -uo pipefail
build=$1 out=$2
. "$(dirname "$0")/../support/window-geometry"
rm -rf "$out"
output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u LANG -u LC_ALL -u LC_CTYPE bash "$(dirname "$0")/../../tools/demo" "$build" "$out" 2>&1)
status=$?
echo "$output"
fail() {
  echo "FAILED (demo_headless): $*" >&2
  exit 1
}
[ "$status" -eq 0 ] || fail "tools/demo ended with status $status"
[[ "$(tail -n1 <<<"$output")" == "demo: lists and charts agree "* ]] || fail "the last line is not the agreement"
for station in sigtx sigrx; do
  grep -qF "$out/$station.png" <<<"$output" || fail "tools/demo did not name $out/$station.png"
  size=$(identify -format '%wx%h' "$out/$station.png" 2>/dev/null)
  [ "$size" = "$Form1" ] || fail "$out/$station.png is '$size', not a $Form1 window"
done
rm -rf "$out"
echo "demo_headless passed"

#!/usr/bin/env bash
# tools/demo where there is no display, on the programs of this build (so it
# installs and builds nothing): it ends with status 0, says last that the
# lists and charts agree, and leaves both windows as PNG files of a window's
# size in the folder it names.
# Usage: demo-headless.sh BUILD_DIR FOLDER
set -uo pipefail
build=$1 out=$2
. "$(dirname "$0")/../support/window-geometry"
rm -rf "$out"
output=$(env -u DISPLAY -u WAYLAND_DISPLAY bash "$(dirname "$0")/../../tools/demo" "$build" "$out" 2>&1)
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

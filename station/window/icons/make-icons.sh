#!/usr/bin/env bash
# Draws the icons (RGBA), by hand after a drawing changes: the PNGs are kept,
# so the build needs no ImageMagick or rsvg-convert. NAME.png (16x16) is
# drawn pixel by pixel to stay crisp, NAME-SIZE.png come from NAME.svg,
# NAME.ico (the .exe's) holds 16, 32 and 48 pixels.
set -euo pipefail
cd "$(dirname "$0")"
if [ "${1:-}" = --with-16 ]; then
  # sigtx: a pale blue-grey upright bar followed by a right-pointing triangle.
  convert -size 16x16 xc:none -stroke '#5f7386' -strokewidth 1 -fill '#b4c4d4' \
    -draw 'rectangle 1,2 4,13' -draw 'polygon 6,2 14,8 6,14' \
    -define png:color-type=6 PNG32:sigtx.png
  # sigrx: an orange arrow pointing left.
  convert -size 16x16 xc:none -stroke '#a04f00' -strokewidth 1 -fill '#ff8c1a' \
    -draw 'polygon 1,8 8,1 8,5 14,5 14,11 8,11 8,15' \
    -define png:color-type=6 PNG32:sigrx.png
fi
for station in sigtx sigrx; do
  for size in 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --format png \
      --output "$station-$size.png" "$station.svg"
  done
  convert "$station.png" "$station-32.png" "$station-48.png" "$station.ico"
done

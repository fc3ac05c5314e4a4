#!/usr/bin/env bash
# Draws the two 16x16 program icons (RGBA, transparent background) and the
# Windows icon files made of them.
# Run once; the PNGs and the .ico files are kept in the repository.
set -euo pipefail
cd "$(dirname "$0")"
# sigtx: a pale blue-grey upright bar followed by a right-pointing triangle.
convert -size 16x16 xc:none -stroke '#5f7386' -strokewidth 1 -fill '#b4c4d4' \
  -draw 'rectangle 1,2 4,13' -draw 'polygon 6,2 14,8 6,14' \
  -define png:color-type=6 PNG32:sigtx.png
# sigrx: an orange arrow pointing left.
convert -size 16x16 xc:none -stroke '#a04f00' -strokewidth 1 -fill '#ff8c1a' \
  -draw 'polygon 1,8 8,1 8,5 14,5 14,11 8,11 8,15' \
  -define png:color-type=6 PNG32:sigrx.png
# The Windows icons in the .exe files (sigtx.rc, sigrx.rc): the same
# pictures at 16, 32 and 48 pixels, enlarged pixel for pixel.
for name in sigtx sigrx; do
  convert "$name.png" \( -clone 0 -filter point -resize 32x32 \) \
    \( -clone 0 -filter point -resize 48x48 \) "$name.ico"
done

#!/bin/sh
# Renders the icon's PNG sizes from ravlin.svg into NxN/ravlin.png beside
# it.  The PNGs are kept in the repository, so a build needs no renderer;
# run this after changing the drawing (Debian: librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert --width "$size" --height "$size" ravlin.svg > "${size}x${size}/ravlin.png.new"
  mv "${size}x${size}/ravlin.png.new" "${size}x${size}/ravlin.png"
done

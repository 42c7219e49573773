#!/usr/bin/env bash
# Draws the icon of piece files (ui/resources/piece-file-32.png and -64.png) from the program's
# icon: a page with a folded corner that carries the program's picture. Run by hand when the
# program's icon changes, and commit what it writes; it needs ImageMagick (apt-get install
# imagemagick), which the build does not.
set -euo pipefail
cd "$(dirname "$0")/../ui/resources"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Drawn at 256 pixels, then scaled down to each size.
convert -size 256x256 xc:none -fill white -stroke '#5a6470' -strokewidth 8 \
  -draw "polygon 40,8 168,8 224,64 224,248 40,248" \
  -fill '#d8dde3' -draw "polygon 168,8 168,64 224,64" \
  \( vornalis-64.png -resize 160x160 \) -geometry +88+88 -composite "$work/page.png"
for size in 32 64; do
  # -strip keeps the file free of dates, so the same input makes the same bytes.
  convert "$work/page.png" -resize ${size}x${size} -depth 8 -strip PNG32:piece-file-$size.png
done

#!/usr/bin/env bash
# Regenerates the small pictures of the launcher's picture strip and the
# command manager's launch button (16x16 and 32x32 in one .ico each).
# Needs ImageMagick's `convert`.
set -euo pipefail
cd "$(dirname "$0")"

# draw <file> <16-pixel drawing>: the 32-pixel image is the same drawing scaled.
draw() {
  local out=$1 prims=$2
  convert -size 16x16 xc:none -draw "$prims" "png32:/tmp/tvx_icon16_$$.png"
  convert -size 32x32 xc:none -draw "scale 2,2 $prims" "png32:/tmp/tvx_icon32_$$.png"
  convert "/tmp/tvx_icon16_$$.png" "/tmp/tvx_icon32_$$.png" "$out"
  rm -f "/tmp/tvx_icon16_$$.png" "/tmp/tvx_icon32_$$.png"
}

# A house: roof, walls, a door.
draw img_home.ico "fill #2A6EBB polygon 0.5,8 8,0.5 15.5,8 fill #2A6EBB rectangle 2.5,7.5 13.5,14.5 \
  fill white rectangle 6.5,9.5 9.5,14.5"
# An "i" in a circle.
draw img_about.ico "fill #2A6EBB circle 7.5,7.5 7.5,0.3 fill white rectangle 6.5,3 8.5,4.8 \
  fill white rectangle 6.5,6.3 8.5,12.2"
# A heart.
draw img_support.ico "fill #D8283C circle 4.6,5.2 4.6,1.4 fill #D8283C circle 11.4,5.2 11.4,1.4 \
  fill #D8283C polygon 0.9,6.4 8,14.8 15.1,6.4 8,4.5"
# A plus.
draw img_more.ico "fill #2E9E48 rectangle 5.5,1.5 9.5,14.5 fill #2E9E48 rectangle 1.5,5.5 14.5,9.5"
# A play triangle.
draw img_launch.ico "fill #2E9E48 polygon 3.5,1.5 3.5,14.5 14.5,8"

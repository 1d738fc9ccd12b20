#!/bin/sh
# Draws the application icon (resource 128) at the two sizes the window
# decorations ask for: 16x16 and 32x32, 16 colours each. The icon is a
# flash card with a word line and a check mark on a blue tile. Run from
# anywhere; it writes icon16.png and icon32.png beside itself. Needs
# ImageMagick's convert; the committed PNGs are what the build uses.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
convert=${CONVERT:-convert}

# Drawn once at 32x32 with crisp edges; the 16x16 image is drawn on its own
# grid rather than scaled, so that its lines stay one pixel wide.
"$convert" -size 32x32 xc:none +antialias \
    -fill '#1f4e9c' -draw 'roundrectangle 0,0 31,31 5,5' \
    -fill '#ffffff' -draw 'polygon 6,8 25,5 27,23 8,26' \
    -fill '#1f4e9c' -draw 'polygon 9,11 22,9 22,11 9,13' \
    -fill '#7f9fd0' -draw 'polygon 9,15 19,14 19,16 9,17' \
    -stroke '#d02020' -strokewidth 2 -fill none -draw 'polyline 14,21 17,24 24,16' \
    -colors 16 "PNG8:$here/icon32.png"

"$convert" -size 16x16 xc:none +antialias \
    -fill '#1f4e9c' -draw 'roundrectangle 0,0 15,15 2,2' \
    -fill '#ffffff' -draw 'polygon 3,4 12,3 13,12 4,13' \
    -fill '#1f4e9c' -draw 'rectangle 5,5 10,5' \
    -fill '#7f9fd0' -draw 'rectangle 5,7 9,7' \
    -stroke '#d02020' -strokewidth 1 -fill none -draw 'polyline 7,10 8,11 11,8' \
    -colors 16 "PNG8:$here/icon16.png"

#!/bin/sh
# Draws the hicolor theme's sizes of the application icon from
# lexitrain.svg; 16x16 and 32x32 are the hand-drawn window icons of
# ui/res, which stay crisp at those sizes. Needs ImageMagick's convert;
# the committed PNGs are what the install uses.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
res="$here/../../ui/res"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$here/hicolor/${size}x${size}/apps"
    out="$here/hicolor/${size}x${size}/apps/lexitrain.png"
    case $size in
    16 | 32) cp "$res/icon$size.png" "$out" ;;
    *) convert -background none -density $((size * 3)) "$here/lexitrain.svg" -resize "${size}x${size}" \
           -strip "PNG32:$out" ;;
    esac
done

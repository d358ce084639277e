#!/usr/bin/env bash
# Regenerates the sample pictures from procedural content with ImageMagick. Run once by a
# developer; the results are checked in, so the demo never needs this.
set -euo pipefail
cd "$(dirname "$0")"
strip=(-strip -define png:exclude-chunks=date,time)

# PNG: a grey ramp over a colour ramp, with an opaque frame.
convert \( -size 120x320 gradient:white-black -rotate 90 \) \
        \( -size 120x320 gradient:'#ff5000'-'#0050ff' -rotate 90 \) -append \
        -fill none -stroke black -strokewidth 4 -draw 'rectangle 2,2 317,237' \
        "${strip[@]}" -depth 8 PNG24:gradient.png

# JPEG: a photo-like plasma, softened; fixed seed so it regenerates identically.
convert -seed 7 -size 320x240 plasma:fractal -blur 0x2 -auto-level \
        "${strip[@]}" -quality 85 -sampling-factor 2x2 plasma.jpg

# GIF: flat shapes, no anti-aliasing, so a few palette colours suffice.
convert -size 200x150 xc:white +antialias \
        -fill '#d03030' -draw 'circle 55,75 55,30' \
        -fill '#3060c0' -draw 'rectangle 110,20 185,90' \
        -fill '#30a040' -draw 'polygon 95,140 145,95 195,140' \
        -fill black -draw 'rectangle 10,8 190,12' \
        "${strip[@]}" shapes.gif

# BMP: an 8-bit palette checker of 20-pixel squares with a diagonal band.
convert -size 20x20 xc:'#202060' xc:'#f0e040' +append \( +clone -flop \) -append \
        -write mpr:tile +delete -size 160x120 tile:mpr:tile \
        -fill white +antialias -draw 'polygon 0,100 100,0 120,0 0,120' \
        "${strip[@]}" -type Palette -compress none BMP3:checker.bmp

# PNG with alpha: rings on a transparent ground, one half see-through; drawn over white.
convert -size 160x120 xc:none \
        -fill none -stroke '#204080' -strokewidth 10 -draw 'circle 80,60 80,15' \
        -stroke '#c04020' -strokewidth 6 -draw 'circle 80,60 80,35' \
        -stroke none -fill '#00a06080' -draw 'rectangle 20,70 140,110' \
        "${strip[@]}" PNG32:badge.png

#!/usr/bin/env bash
# Makes the small seed pictures of the plug-in fuzz targets (fuzz/corpus/plugins_<format>/) with
# ImageMagick: a handful of tiny files per format, each a different variant the decoders read.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
convert=$(command -v convert-im6.q16 || command -v convert)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$convert" -seed 3 -size 9x7 plasma: "$work/source.png"
"$convert" "$work/source.png" -alpha set -channel A -fx 'i/w' "$work/alpha.png"

make() {  # make <format> <name> <source> <ImageMagick options and output prefix...>
  local format=$1 name=$2 source=$3
  shift 3
  local options=("$@")
  local last=$((${#options[@]} - 1))
  local dir="$root/fuzz/corpus/plugins_$format"
  mkdir -p "$dir"
  "$convert" "$work/$source" -strip "${options[@]:0:last}" "${options[last]}$dir/$name"
}

make png rgb.png source.png PNG24:
make png rgba_interlaced.png alpha.png -interlace PNG PNG32:
make png palette4_trns.png alpha.png -colors 12 -define png:bit-depth=4 PNG8:
make png grey16.png source.png -colorspace Gray -depth 16 -define png:color-type=0 PNG:
make png grey_alpha.png alpha.png -colorspace Gray -define png:color-type=4 PNG:

make jpeg baseline.jpg source.png -sampling-factor 2x2 JPEG:
make jpeg progressive.jpg source.png -interlace JPEG JPEG:
make jpeg grey.jpg source.png -colorspace Gray JPEG:
make jpeg cmyk.jpg source.png -colorspace CMYK JPEG:

make gif palette.gif source.png GIF:
make gif interlaced_transparent.gif alpha.png -interlace GIF GIF:
make gif gif87.gif source.png -colors 4 GIF87:
"$convert" "$work/source.png" \( "$work/source.png" -negate \) \
  "$root/fuzz/corpus/plugins_gif/two_frames.gif"

make bmp info24.bmp source.png BMP3:
make bmp rle8.bmp source.png -type Palette BMP3:
make bmp core4.bmp source.png -colors 16 -type Palette BMP2:
make bmp rgb565.bmp source.png -alpha off -define bmp:subtype=RGB565 BMP:
make bmp argb32.bmp alpha.png BMP:

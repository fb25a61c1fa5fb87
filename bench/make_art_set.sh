#!/usr/bin/env bash
# Writes a set of real indexed art as the command-line tool writes it, for the deflate
# comparison (tintwell-deflate-bench):
#   bench/make_art_set.sh CLI_PATH DIR
# ImageMagick's built-in images (logo:, wizard:, rose:, granite:) reduced to 16 and to 256
# colors, dithered as they come or flat and scaled up as pixel art is, and a sprite sheet of
# small frames on one background color. Each is written by the tool alone (4-bit rows for
# the 16-color ones), so DIR holds exactly the rows the PNG writer compresses; the
# ImageMagick sources go to DIR/../art-sources.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: bench/make_art_set.sh CLI_PATH DIR" >&2
    exit 2
fi
cli=$1
out=$2
src=$(dirname "$out")/art-sources
rm -rf "$out" "$src"
mkdir -p "$out" "$src/frames"

for n in 16 256; do
    convert logo: -colors "$n" "PNG8:$src/logo$n.png"
    convert wizard: -colors "$n" "PNG8:$src/wizard$n.png"
    convert rose: +dither -colors "$n" -scale 800% "PNG8:$src/rose${n}x8.png"
    convert granite: -colors "$n" -scale 400% "PNG8:$src/granite${n}x4.png"
    convert wizard: -resize 50% +dither -colors "$n" -scale 300% "PNG8:$src/wizard${n}x3.png"
done

# The sheet: each image in 48 x 48, turned four ways and mirrored, eight frames a row.
i=0
for image in wizard: rose: logo:; do
    for turn in 0 90 180 270; do
        for mirror in "" -flop; do
            # shellcheck disable=SC2086
            convert "$image" -resize 48x48 -background '#40a040' -gravity center \
                -extent 56x56 -rotate "$turn" $mirror "$src/frames/f$(printf %02d "$i").png"
            i=$((i + 1))
        done
    done
done
montage "$src"/frames/*.png -tile 8x -geometry +0+0 -background '#40a040' "$src/sheet.png"
for n in 16 256; do
    convert "$src/sheet.png" +dither -colors "$n" -scale 200% "PNG8:$src/sprites${n}x2.png"
done

for f in "$src"/*16*.png; do
    "$cli" -q -f -d 16 -o "$out" "$f"
done
for f in "$src"/*256*.png; do
    "$cli" -q -f -o "$out" "$f"
done

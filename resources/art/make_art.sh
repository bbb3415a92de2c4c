#!/usr/bin/env bash
# Renders the SVG sources in src/ into the icons and bitmaps the resource script uses.
# Run it after changing a source and commit what it writes: the build itself needs no
# rendering tools. Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert/montage.
#
# A source NAME-16.svg, when present, replaces NAME.svg at 16 x 16: small sizes need
# shapes on whole pixels.
set -euo pipefail
cd "$(dirname "$0")"

for tool in rsvg-convert convert montage; do
  command -v "$tool" >/dev/null || { echo "make_art.sh: $tool is missing (apt-get install librsvg2-bin imagemagick)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p ico

SMALL="16 20 24 32 48"         # list, menu, tool bar and notification area at 100% to 300%
DIALOG="16 24 32 48 64"        # 32 x 32 dialog pictures at 100% to 200%
FLAG="16 20 24 32"
GLYPH="16 20 24 32"
PROGRAM="16 20 24 32 40 48 64 256"
ABOUT="52 78 104"

render() { # source name, size, output png
  local src="src/$1.svg"
  [ "$2" -eq 16 ] && [ -f "src/$1-16.svg" ] && src="src/$1-16.svg"
  rsvg-convert -w "$2" -h "$2" -f png -o "$3" "$src"
}

icon() { # source name, sizes, output name
  local pngs=()
  for size in $2; do
    render "$1" "$size" "$work/$3-$size.png"
    pngs+=("$work/$3-$size.png")
  done
  # PNG32 keeps every entry 32-bit with alpha, also pictures with few colours.
  convert "${pngs[@]/#/PNG32:}" "ico/$3.ico"
}

for name in information warning error drive-connected disconnect-drive drive-unknown \
            drive-disconnected connect-all disconnect-all add-drive remove-drive properties \
            drive-error preferences import help network-drive open reconnect timer program \
            volume remove-all user; do
  icon "$name" "$SMALL" "$name"
done
for name in program volume tab-general globe tab-advanced; do
  icon "$name" "$DIALOG" "$name-large"
done
for name in english danish swedish german dutch spanish french italian; do
  icon "flag-$name" "$FLAG" "flag-$name"
done
icon globe "$FLAG" flag-none
for name in move-up move-down open; do
  icon "$name" "$GLYPH" "$name-glyph"
done
icon quillbay "$PROGRAM" quillbay
icon quillbay "$ABOUT" about

# The about picture as a 32-bit bitmap, alpha premultiplied as AlphaBlend expects.
rsvg-convert -w 52 -h 52 -f png -o "$work/about.png" src/quillbay.svg
convert "$work/about.png" -channel RGB -fx 'u*u.a' +channel -define bmp:format=bmp4 BMP:ico/about.bmp

# Contact sheet: every picture at 16 x 16 on light and on dark ground, enlarged 4 times
# without smoothing so each pixel can be judged, and beside them the same at 32 x 32.
for f in "$work"/*-16.png; do
  name=$(basename "$f" -16.png)
  big="$work/$name-32.png"; [ -f "$big" ] || big="$f"
  convert "$f" -filter point -resize 400% -background white -flatten "$work/a.png"
  convert "$f" -filter point -resize 400% -background '#1e2a36' -flatten "$work/b.png"
  convert "$big" -background white -gravity center -extent 64x64 "$work/c.png"
  montage -label "$name" -pointsize 10 "$work/a.png" "$work/b.png" "$work/c.png" \
    -tile 3x1 -geometry +2+2 -background '#f0f0f0' "$work/tile-$name.png"
done
montage "$work"/tile-*.png -tile 5x -geometry +8+4 -background '#f0f0f0' contact-sheet.png
echo "make_art.sh: wrote $(ls ico | wc -l) files in $(pwd)/ico and contact-sheet.png"

#!/usr/bin/env bash
# Render every SVG drawing in res/art/svg/ to the PNG the program loads.
#
# Run from the repository root:   bash res/art/render_svg.sh
# Needs rsvg-convert (Debian package librsvg2-bin) and the "Liberation Sans"
# font (fonts-liberation) for the banner text.
#
# The output name comes from the SVG file name, <kind>-<id>-<words>.svg:
#   icon-<id>-*.svg    ->  res/icons/<id>.png
#   bitmap-<id>-*.svg  ->  res/bitmaps/<id>.png
#   cursor-<id>-*.svg  ->  res/cursors/<id>.png
# The pixel size is the width/height written in the SVG itself.
# Re-running the script rewrites the same files with the same bytes.
set -euo pipefail

src=res/art/svg
if [[ ! -d $src ]]; then
    echo "render_svg.sh: run me from the repository root (no $src here)" >&2
    exit 1
fi
command -v rsvg-convert >/dev/null || {
    echo "render_svg.sh: rsvg-convert not found (apt-get install librsvg2-bin)" >&2
    exit 1
}

count=0
for svg in "$src"/*.svg; do
    name=$(basename "$svg" .svg)
    kind=${name%%-*}
    rest=${name#*-}
    id=${rest%%-*}
    case $kind in
        icon)   dir=res/icons ;;
        bitmap) dir=res/bitmaps ;;
        cursor) dir=res/cursors ;;
        *) echo "render_svg.sh: don't know where $svg goes" >&2; exit 1 ;;
    esac
    if [[ ! $id =~ ^[0-9]+$ ]]; then
        echo "render_svg.sh: $svg has no numeric id" >&2
        exit 1
    fi
    mkdir -p "$dir"
    out=$dir/$id.png
    rsvg-convert --format=png --output="$out.tmp" "$svg"
    mv -f "$out.tmp" "$out"
    count=$((count + 1))
done
echo "render_svg.sh: wrote $count PNG files"

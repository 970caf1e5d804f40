#!/usr/bin/env bash
# Remakes docs/gallery/: scikit-image's coffee photograph (Rachel Michetti, CC0; Debian's
# python3-skimage, installed by `install-deps.sh bench`) drawn four ways by tracella-sketch, and
# its centre lines as SVG, drawn by librsvg (rsvg-convert).
#   make-gallery.sh [path/to/tracella-sketch]   (default build/tracella-sketch)
set -euo pipefail
cd "$(dirname "$0")/.."
sketch=${1:-build/tracella-sketch}
photo=/usr/lib/python3/dist-packages/skimage/data/coffee.png
[ -r "$photo" ] || { echo "missing $photo: bash scripts/install-deps.sh bench" >&2; exit 1; }
out=docs/gallery
mkdir -p "$out"
cp "$photo" "$out/photo.png"
"$sketch" --force "$photo" "$out/edges.png"
"$sketch" --force --blur 2 --threshold 5 "$photo" "$out/edges-blur.png"
"$sketch" --force --method xdog "$photo" "$out/xdog.png"
"$sketch" --force --method xdog --soft "$photo" "$out/xdog-soft.png"
svg=$(mktemp --suffix=.svg)
trap 'rm -f "$svg"' EXIT
"$sketch" --force --method xdog --trace centerline "$photo" "$svg"
rsvg-convert --output "$out/centerline.png" "$svg"

#!/usr/bin/env bash
# Renders the program icon (resources/mask-icon.svg) into the PNG sizes of the hicolor theme,
# kept in packaging/icons/. Run it again after changing the SVG, and commit the result.
# Usage: scripts/render-icons.sh          (needs rsvg-convert: apt-get install librsvg2-bin)
set -euo pipefail
cd "$(dirname "$0")/.."

for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" resources/mask-icon.svg -o "packaging/icons/vantor-$size.png"
done

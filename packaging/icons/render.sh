#!/usr/bin/env bash
# Renders the icon's PNG sizes from vorn-search.svg (needs librsvg2-bin): packaging/icons/render.sh
# The PNGs are committed, so building needs no renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 64 128 256; do
    mkdir -p "$size"
    rsvg-convert -w "$size" -h "$size" vorn-search.svg -o "$size/vorn-search.png"
done

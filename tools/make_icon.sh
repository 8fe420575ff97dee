#!/usr/bin/env bash
# Renders the 256 px icon from the SVG (the PNG is committed; run after changing the SVG).
set -euo pipefail
cd "$(dirname "$0")/../packaging"
rsvg-convert -w 256 -h 256 korvane.svg -o korvane.png

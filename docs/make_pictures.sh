#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Draws the README's picture: the demo tune's arrangement as tonvell-cli --svg
# writes it, its first 1200 pixels rendered to PNG by rsvg-convert (package
# librsvg2-bin). Run after building; the picture is kept in the repository.
# Usage: docs/make_pictures.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
SVG=$BUILD/demo-arrangement.svg
"$BUILD/tonvell-cli" -q --svg "$SVG" examples/demo.mid
HEIGHT=$(sed -n 's/^<svg [^>]* height="\([0-9.]*\)".*/\1/p' "$SVG")
rsvg-convert --page-width 1200 --page-height "$HEIGHT" --background-color white \
  -o docs/demo-arrangement.png "$SVG"
echo "docs/demo-arrangement.png"

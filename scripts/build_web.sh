#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the web page with emscripten into build-web/dist/: index.html, its
# script, style sheet and the core compiled to WebAssembly. The page needs no
# server and no network: open build-web/dist/index.html, or serve the folder.
# Usage: scripts/build_web.sh
# Debian's emscripten ships its system libraries prebuilt (a frozen cache in
# /usr/share/emscripten/cache): nothing is built on first use.
set -euo pipefail
cd "$(dirname "$0")/.."

command -v emcmake >/dev/null || {
  echo "build_web: emscripten is missing (apt-get install emscripten)" >&2
  exit 1
}
# Emscripten's JavaScript tools need Debian's node modules (acorn), which a
# node from outside Debian does not look for by itself.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

emcmake cmake -S . -B build-web/cmake -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_TESTING=OFF -DTONVELL_BUILD_GUI=OFF -DTONVELL_BUILD_BENCH=OFF -DTONVELL_WERROR=ON >/dev/null
cmake --build build-web/cmake --target tonvell_core_web

dist=build-web/dist
rm -rf "$dist"
mkdir -p "$dist"
cp web/page/index.html web/page/style.css web/page/*.js build-web/cmake/tonvell_core.js "$dist"/
echo "build_web: the page is in $dist/index.html"

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what the project needs from Debian's packages (only what is
# missing), then configures and builds into build/.
# Usage: scripts/setup.sh [--test]
#   without --test: what building and running need (scripts/run.sh);
#   with --test: also what the tests, benchmarks and the package test need
#   (scripts/test.sh), and the build treats compiler warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."

# Building and running.
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev librsvg2-bin
  fonts-dejavu-core fonts-dejavu-extra
  librtmidi-dev qt6-serialport-dev qt6-translations-l10n qt6-l10n-tools
  libfluidsynth-dev timgm6mb-soundfont
)

# Tests, benchmarks, the format and clang-tidy checks, the package test and the
# Windows build (mingw-w64, run under wine, packed as a ZIP), autopkgtest for
# the installed packages; the web page (emscripten) and its tests (headless
# chromium driven by python3-websocket).
TEST_PACKAGES=(
  clang libclang-rt-14-dev clang-format clang-tidy
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick libx11-dev
  midicsv abcmidi python3
  socat sox
  chromium
  emscripten python3-websocket
  dpkg-dev debhelper fakeroot lintian file desktop-file-utils appstream man-db bash-completion
  g++-mingw-w64-x86-64-posix wine wine64 zip
  autopkgtest
)

CMAKE_ARGS=()
case "${1:-}" in
  "") ;;
  --test)
    PACKAGES+=("${TEST_PACKAGES[@]}")
    CMAKE_ARGS+=(-DTONVELL_WERROR=ON)
    ;;
  *)
    echo "usage: scripts/setup.sh [--test]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" "${CMAKE_ARGS[@]}" >/dev/null
cmake --build build --parallel "$(nproc)"

#!/usr/bin/env bash
# Installs what the project needs from Debian's packages (only what is
# missing), then configures and builds into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-dejavu-core fonts-dejavu-extra
  xvfb xauth xdotool x11-utils imagemagick
  midicsv abcmidi python3
  librtmidi-dev qt6-serialport-dev qt6-translations-l10n
  libfluidsynth-dev timgm6mb-soundfont socat sox
)

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
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" >/dev/null
cmake --build build --parallel "$(nproc)"

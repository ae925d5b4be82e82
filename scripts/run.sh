#!/usr/bin/env bash
# Set-up, then the program's main job: the converter window (on a given .mid
# file, if any). Without a display, converts the given files on the command line.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [[ -x build/tonvell && -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec build/tonvell "$@"
fi
exec build/tonvell-cli "$@"

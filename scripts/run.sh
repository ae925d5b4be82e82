#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Set-up, then the program's main job: the converter window on the given .mid
# file (the demo tune when none is given). Without a display the files are
# converted on the command line and the listing goes to standard output.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >&2  # keeps standard output for the listing
(($#)) || set -- examples/demo.mid
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec build/tonvell "$@"
fi
exec build/tonvell-cli "$@"

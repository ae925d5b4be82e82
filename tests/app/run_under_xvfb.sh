#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a test program on a virtual X server (a real window, not the offscreen
# platform); skips (77) where xvfb-run is missing. Bounded in time.
#   run_under_xvfb.sh PROGRAM [ARGS...]
set -euo pipefail
if ! command -v xvfb-run >/dev/null; then
  echo "SKIP: xvfb-run is not installed"
  exit 77
fi
unset QT_QPA_PLATFORM
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" timeout 90 "$@"

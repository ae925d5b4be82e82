#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command on a virtual X server of its own (a real window, not the
# offscreen platform) and exits with the command's status; skips (77) where
# Xvfb is missing.
#   run_under_xvfb.sh [--screen WIDTHxHEIGHT] COMMAND [ARGS...]
# The server picks a free display itself (-displayfd), so X tests running side
# by side never race for one display number, as two choosing by lock files
# (xvfb-run -a) can; and it does not reset when its last client leaves
# (-noreset), so a test that starts a program, ends it and starts it again
# never finds the server between two lives.
set -euo pipefail

screen=1280x1024
if [[ "${1:-}" == --screen ]]; then
  screen=$2
  shift 2
fi
if ! command -v Xvfb >/dev/null; then
  echo "SKIP: Xvfb is not installed"
  exit 77
fi

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
xvfb=$!
stop_server() {
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -f "$display_file"
}
trap stop_server EXIT
for _ in $(seq 1 100); do
  [[ -s "$display_file" ]] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
display=$(head -n1 "$display_file")
if [[ -z "$display" ]]; then
  echo "FAIL: Xvfb did not start"
  exit 1
fi

unset QT_QPA_PLATFORM WAYLAND_DISPLAY
rc=0
DISPLAY=":$display" "$@" || rc=$?
exit "$rc"

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real window playing the demo tune under a virtual X server, at a given
# desktop scale: F5 starts it on "none" (the player runs, nothing sounds), and
# the screenshot shows the marked line in the listing. The window must lie
# within the screen's left and top edges even where it is wider than the
# screen (scale 2 on a 1600-pixel screen).
# Usage: playback_screenshot_test.sh PROGRAM DEMO.mid OUT-FOLDER SCALE WIDTHxHEIGHT
set -euo pipefail

readonly kTitle="MIDI-to-ZUM converter"

if [[ "${1:-}" != --inside ]]; then
  for tool in xdotool xwininfo import; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed"
      exit 77
    fi
  done
  mkdir -p "$3"
  exec "$(dirname "$0")/run_under_xvfb.sh" --screen "$5" \
    timeout 90 bash "$0" --inside "$(realpath "$1")" "$(realpath "$2")" "$(realpath "$3")" "$4"
fi

program=$2
demo=$3
out=$4
scale=$5
work=$(mktemp -d)
pid=
cleanup() {
  if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

cp "$demo" "$work/demo.mid"
cd "$work"
unset QT_QPA_PLATFORM
QT_SCALE_FACTOR=$scale "$program" "$work/demo.mid" >"$work/program.log" 2>&1 &
pid=$!

id=
for _ in $(seq 1 100); do
  id=$(xdotool search --name "^${kTitle}\$" 2>/dev/null | head -n1 || true)
  [[ -n "$id" ]] && break
  kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended"; cat "$work/program.log"; exit 1; }
  sleep 0.2
done
[[ -n "$id" ]] || { echo "FAIL: no window titled '$kTitle'"; exit 1; }
sleep 1  # the conversion of the argument runs once the window is up

xdotool windowfocus --sync "$id" 2>/dev/null || true
xdotool key --window "$id" F5
sleep 3  # some lines into the tune
shot="$out/playing-scale-$scale.png"
import -window root "$shot"
import -window "$id" "$out/playing-window-scale-$scale.png"

info=$(xwininfo -id "$id")
left=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
top=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
status=0
if ((left >= 0 && top >= 0)); then
  echo "ok: window at $left,$top"
else
  echo "FAIL: window at $left,$top, off the screen"
  status=1
fi
echo "screenshot: $shot"
exit $status

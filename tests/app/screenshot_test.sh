#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts the real window program on a virtual X server with a MIDI file as its
# argument, finds its window by title, checks its size, position and size
# hints, and takes a screenshot into the given folder (under the build folder).
#   screenshot_test.sh PROGRAM OUTPUT_DIR
set -euo pipefail

readonly kTitle="MIDI-to-ZUM converter"
readonly kScreenW=1280 kScreenH=1024

if [[ "${1:-}" != --inside ]]; then
  program=$(realpath "$1")
  out=$2
  for tool in xdotool xwininfo xprop import; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed"
      exit 77
    fi
  done
  mkdir -p "$out"
  exec "$(dirname "$0")/run_under_xvfb.sh" --screen "${kScreenW}x${kScreenH}" \
    timeout 90 bash "$0" --inside "$program" "$(realpath "$out")"
fi

program=$2
out=$3
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

# The worked example: tempo, one note on channel 1 and its release.
printf 'MThd\0\0\0\6\0\0\0\1\0\140MTrk\0\0\0\23\0\377\121\3\7\241\40\0\220\74\144\140\200\74\100\0\377\57\0' \
  >"$work/song.mid"
printf 'x' >"$work/other.mid"
mkdir "$work/folder"

cd "$work"
unset QT_QPA_PLATFORM
"$program" "$work/song.mid" >"$out/program.log" 2>&1 &
pid=$!

id=
for _ in $(seq 1 100); do
  id=$(xdotool search --name "^${kTitle}\$" 2>/dev/null | head -n1 || true)
  [[ -n "$id" ]] && break
  kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended"; cat "$out/program.log"; exit 1; }
  sleep 0.2
done
[[ -n "$id" ]] || { echo "FAIL: no window titled '$kTitle'"; exit 1; }
sleep 1  # the conversion of the argument runs once the window is up

info=$(xwininfo -id "$id")
width=$(awk '/^  Width:/ {print $2}' <<<"$info")
height=$(awk '/^  Height:/ {print $2}' <<<"$info")
left=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
top=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
hints=$(xprop -id "$id" WM_NORMAL_HINTS)
import -window "$id" "$out/tonvell-window.png"

status=0
check() {
  if [[ "$2" == "$3" ]]; then
    echo "ok: $1 = $2"
  else
    echo "FAIL: $1 is $2, expected $3"
    status=1
  fi
}
check "window size" "${width}x${height}" "1037x349"
# Centred to within a pixel (the free space is odd on both axes).
dx=$((2 * left + 1037 - kScreenW))
dy=$((2 * top + 349 - kScreenH))
check "window centred" "$((dx * dx <= 4 && dy * dy <= 4))" "1"
# The window may be made larger, and smaller down to its least size (its
# content then scrolls).
check "minimum size hint" "$(grep -o 'minimum size: [0-9]* by [0-9]*' <<<"$hints")" "minimum size: 320 by 200"
check "no maximum size" "$(grep -c 'maximum size' <<<"$hints" || true)" "0"
echo "screenshot: $out/tonvell-window.png"
exit $status

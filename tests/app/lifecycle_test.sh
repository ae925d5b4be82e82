#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the real window program on a virtual X server in a fresh folder and ends
# it the ways a user's system does: the window's close button (a window
# manager's close request), then SIGTERM, SIGINT and SIGHUP. Each time the
# program must exit with status 0 and leave the six keys in Cfg.ini of the
# folder it was started in, with the rest of an existing file kept. A Cfg.ini
# the program cannot use (a folder, a pipe, an endless device, a huge or a
# read-only file) and a start folder that was deleted must neither stop the
# window nor be written.
#   lifecycle_test.sh PROGRAM WM_CLOSE
set -euo pipefail

readonly kTitle="MIDI-to-ZUM converter"

if [[ "${1:-}" != --inside ]]; then
  for tool in xdotool; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed"
      exit 77
    fi
  done
  exec "$(dirname "$0")/run_under_xvfb.sh" \
    timeout 120 bash "$0" --inside "$(realpath "$1")" "$(realpath "$2")"
fi

program=$2
wm_close=$3
work=$(mktemp -d)
work=$(realpath "$work")
pid=
cleanup() {
  if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
  fi
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/sub"
cd "$work"
unset QT_QPA_PLATFORM

status=0
fail() {
  echo "FAIL: $*"
  status=1
}

# Starts the program in the work folder and sets id to its window. Signals
# that a script's background jobs would ignore are handed on as a terminal's
# program receives them.
start() {
  env --default-signal=INT,TERM,HUP "$program" >"$work/program.log" 2>&1 &
  pid=$!
  id=
  for _ in $(seq 1 150); do
    id=$(xdotool search --name "^${kTitle}\$" 2>/dev/null | head -n1 || true)
    [[ -n "$id" ]] && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  cat "$work/program.log"
  fail "no window"
  exit 1
}

# Waits for the program to end; checks its status and that Cfg.ini holds the
# bytes of the file expected.
finish() {
  local how=$1 expected=$2 rc=0
  wait "$pid" || rc=$?
  pid=
  if [[ $rc -ne 0 ]]; then
    fail "$how: exit status $rc"
    cat "$work/program.log"
  fi
  if cmp -s "$expected" Cfg.ini; then
    echo "ok: $how wrote the six keys"
  else
    fail "$how: Cfg.ini is"
    cat -A Cfg.ini
  fi
}

# First run: no file; the close button.
start
"$wm_close" "$id"
printf '[Startup]\nExeDirectory=%s\nDataDirectory=%s\nExtIndex=1\nSoundDevice=0\nSoundDeviceName=none\nSoundDeviceTembre=73 Flute\n' \
  "$work" "$work" >"$work/sub/expected"
finish "close button" "$work/sub/expected"

# A file from Windows (CR LF, a comment and another section), then a signal.
for signal in TERM INT HUP; do
  printf '; comment\r\n[Other]\r\nKey=Value\r\n\r\n[Startup]\r\nDataDirectory=sub\r\nExtIndex=3\r\n' >Cfg.ini
  start
  kill "-$signal" "$pid"
  printf '; comment\r\n[Other]\r\nKey=Value\r\n\r\n[Startup]\r\nDataDirectory=%s/sub\r\nExtIndex=3\r\nExeDirectory=%s\r\nSoundDevice=0\r\nSoundDeviceName=none\r\nSoundDeviceTembre=73 Flute\r\n' \
    "$work" "$work" >"$work/sub/expected"
  finish "SIG$signal" "$work/sub/expected"
done

# What is at Cfg.ini: its kind, mode and size, and the bytes of a plain file.
describe() {
  stat -c '%F %a %s' Cfg.ini
  if [[ -f Cfg.ini && ! -L Cfg.ini ]]; then
    md5sum <Cfg.ini
  fi
}

# Waits for the program to end after SIGTERM; checks its status and that
# nothing was left beside Cfg.ini.
finish_untouched() {
  local how=$1 before=$2 rc=0
  wait "$pid" || rc=$?
  pid=
  if [[ $rc -ne 0 ]]; then
    fail "$how: exit status $rc"
    cat "$work/program.log"
  fi
  if [[ "$(describe)" == "$before" ]]; then
    echo "ok: $how was left alone"
  else
    fail "$how: Cfg.ini changed: $(describe)"
  fi
  if compgen -G '.tonvell-*' >/dev/null; then
    fail "$how: a temporary file was left"
  fi
}

for kind in folder pipe device large read-only; do
  rm -rf Cfg.ini
  case $kind in
    folder) mkdir Cfg.ini ;;
    pipe) mkfifo Cfg.ini ;;
    device) ln -s /dev/zero Cfg.ini ;;
    large)
      printf '[Startup]\nExtIndex=3\n' >Cfg.ini
      head -c 2000000 /dev/zero | tr '\0' '\n' >>Cfg.ini
      ;;
    read-only)
      printf '[Startup]\r\nExtIndex=3\r\n' >Cfg.ini
      chmod 444 Cfg.ini
      ;;
  esac
  before=$(describe)
  start
  kill -TERM "$pid"
  finish_untouched "Cfg.ini ($kind)" "$before"
done
rm -rf Cfg.ini

# A start folder deleted before the start: no settings file anywhere.
root_file=no
[[ -e /Cfg.ini ]] && root_file=yes
mkdir "$work/gone"
cd "$work/gone"
rmdir "$work/gone"
start
kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
pid=
cd "$work"
if [[ $rc -ne 0 ]]; then
  fail "deleted start folder: exit status $rc"
  cat "$work/program.log"
fi
now=no
[[ -e /Cfg.ini ]] && now=yes
if [[ $now == "$root_file" ]]; then
  echo "ok: deleted start folder wrote no settings file"
else
  fail "deleted start folder: /Cfg.ini was written"
fi
exit $status

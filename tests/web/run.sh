#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The web page's tests in headless chromium: the page in DIST against
# TONVELL_CLI on the example, the test tunes (made into MIDI files by
# abc2midi) and the fuzzing seeds.
# Usage: tests/web/run.sh DIST TONVELL_CLI
set -euo pipefail
cd "$(dirname "$0")/../.."
dist=$1
cli=$2
tunes=$(mktemp -d)
trap 'rm -rf "$tunes"' EXIT
for abc in tests/convert/data/*.abc; do
  abc2midi "$abc" -o "$tunes/$(basename "$abc" .abc).mid" >/dev/null
done
# Debian's python, which has python3-websocket.
/usr/bin/python3 tests/web/page_test.py "$dist" "$cli" examples/demo.mid "$tunes"/*.mid fuzz/seeds/*.mid

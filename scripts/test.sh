#!/usr/bin/env bash
# Set-up, then every test: the normal build (unit, command-line and window
# tests), a short fuzzing run of the MIDI reader, and the core suite again in a
# sanitizer build. Ends with one line counting the tests of both builds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

passed=0
failed=0
# Runs ctest on a build folder and adds its counts to the totals.
run_ctest() {
  local log="$1/ctest-summary.log" status=0
  ctest --test-dir "$1" --output-on-failure --timeout 900 --parallel "$(nproc)" | tee "$log" ||
    status=$?
  local summary
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [[ $summary =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
  return "$status"
}

status=0
run_ctest build || status=1

if [[ -x scripts/fuzz.sh ]]; then
  scripts/fuzz.sh 60 || status=1
fi

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTONVELL_SANITIZE=ON \
  -DTONVELL_BUILD_GUI=OFF -DTONVELL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan --parallel "$(nproc)"
run_ctest build-asan || status=1

echo "tests: $passed passed, $failed failed"
exit "$status"

#!/usr/bin/env bash
# Set-up, then every test: the normal build, a sanitizer build of the core
# suite, and a short fuzzing run of the MIDI reader.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
ctest --test-dir build --output-on-failure --timeout 600

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTONVELL_SANITIZE=ON \
  -DTONVELL_BUILD_GUI=OFF -DTONVELL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan --parallel "$(nproc)"
ctest --test-dir build-asan --output-on-failure --timeout 900

if [[ -x scripts/fuzz.sh ]]; then
  scripts/fuzz.sh 60
fi

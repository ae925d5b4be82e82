#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fuzzes the MIDI reader for SECONDS seconds (default 60) with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer. Builds into build-fuzz/ with
# clang++, works on a corpus in build-fuzz/corpus (seeded from fuzz/seeds) and
# exits non-zero when the fuzzer finds a crash, a leak or a hang; the input that
# caused it is left in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_TO_RUN=${1:-60}
BUILD=${FUZZ_BUILD_DIR:-build-fuzz}
if ! [[ $SECONDS_TO_RUN =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi
if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ not found (scripts/setup.sh installs it)" >&2
  exit 1
fi

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DTONVELL_FUZZ=ON \
  -DTONVELL_BUILD_GUI=OFF -DBUILD_TESTING=OFF -DTONVELL_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" --target reader_fuzz --parallel "$(nproc)"

mkdir -p "$BUILD/corpus" "$BUILD/artifacts"
cp fuzz/seeds/*.mid "$BUILD/corpus/"

echo "fuzz: running reader_fuzz for ${SECONDS_TO_RUN} s (log: $BUILD/fuzz.log)"
status=0
"$BUILD/reader_fuzz" "$BUILD/corpus" \
  -dict=fuzz/midi.dict \
  -max_total_time="$SECONDS_TO_RUN" \
  -max_len=8192 \
  -timeout=20 \
  -rss_limit_mb=2048 \
  -print_final_stats=1 \
  -artifact_prefix="$BUILD/artifacts/" >"$BUILD/fuzz.log" 2>&1 || status=$?
grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$BUILD/fuzz.log" || true
if ((status != 0)); then
  tail -n 60 "$BUILD/fuzz.log" >&2
  echo "fuzz: FAILED (exit $status); inputs in $BUILD/artifacts/" >&2
  exit 1
fi
echo "fuzz: no crash in ${SECONDS_TO_RUN} s"

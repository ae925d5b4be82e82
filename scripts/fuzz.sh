#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fuzzes for SECONDS seconds in all (default 60), shared between five
# libFuzzer targets with AddressSanitizer and UndefinedBehaviorSanitizer: the
# MIDI reader (inputs up to the largest file it accepts), the listing player
# on its virtual clock, the settings file reader, the arrangement's SVG
# (checked to be well-formed XML) and the picture's decimal formatter
# (against std::to_chars). Builds into build-fuzz/
# with clang++, works on a corpus per target in build-fuzz/ (seeded from
# fuzz/seeds*) and exits non-zero when a fuzzer finds a crash, a leak or a
# hang; the input that caused it is left in build-fuzz/artifacts/.
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
cmake --build "$BUILD" --target reader_fuzz listing_fuzz settings_fuzz svg_fuzz decimal_fuzz \
  --parallel "$(nproc)"
mkdir -p "$BUILD/artifacts"

# The MIDI reader takes files up to 250,000 bytes: only inputs that large
# reach the merge of many tracks.
readonly kLargestMidiFile=250000
# Each target gets a fifth of the time, at least a second.
share=$((SECONDS_TO_RUN / 5))
((share > 0)) || share=1

status=0
# Runs one target: NAME SEED_FOLDER MAX_LEN [more libFuzzer options].
run_target() {
  local name=$1 seeds=$2 max_len=$3 corpus="$BUILD/corpus-$1" rc=0
  shift 3
  # The reader's corpus keeps its old place, so earlier finds stay in use.
  [[ $name == reader_fuzz ]] && corpus="$BUILD/corpus"
  mkdir -p "$corpus"
  cp "$seeds"/* "$corpus/"
  echo "fuzz: running $name for ${share} s (log: $BUILD/$name.log)"
  "$BUILD/$name" "$corpus" "$@" \
    -max_total_time="$share" \
    -max_len="$max_len" \
    -timeout=20 \
    -rss_limit_mb=2048 \
    -print_final_stats=1 \
    -artifact_prefix="$BUILD/artifacts/$name-" >"$BUILD/$name.log" 2>&1 || rc=$?
  grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$BUILD/$name.log" || true
  if ((rc != 0)); then
    tail -n 60 "$BUILD/$name.log" >&2
    echo "fuzz: $name FAILED (exit $rc); inputs in $BUILD/artifacts/" >&2
    status=1
  fi
}

run_target reader_fuzz fuzz/seeds "$kLargestMidiFile" -dict=fuzz/midi.dict
run_target listing_fuzz fuzz/seeds-listing 8192
run_target settings_fuzz fuzz/seeds-settings 8192
run_target svg_fuzz fuzz/seeds-svg 8192
run_target decimal_fuzz fuzz/seeds-decimal 9
if ((status != 0)); then
  exit 1
fi
echo "fuzz: no crash in ${SECONDS_TO_RUN} s"

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Rendering benchmark: a three-minute piece with all six voices busy, rendered
# into a WAV file by tonvell-cli --wav, several times. The speed is the
# piece's length over the processor time of the whole command (start-up,
# loading FluidSynth and the SoundFont, rendering, writing the file): on a
# shared machine the wall time says more about the other users, so it is
# shown beside it (the shortest run is the fairest).
# Exits non-zero when the median speed is below 50 times real time.
# Usage: bench/render.sh [BUILD_DIR]   (default $BENCH_BUILD_DIR, else build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-${BENCH_BUILD_DIR:-build-bench}}
RUNS=${BENCH_RENDER_RUNS:-7}
TARGET=50
if [[ ! -f $BUILD/CMakeCache.txt ]]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTONVELL_BUILD_GUI=OFF -DBUILD_TESTING=OFF -DTONVELL_STATIC_CLI_RUNTIME=ON >/dev/null
fi
cmake --build "$BUILD" --target tonvell-cli --parallel "$(nproc)"

OUT=$BUILD/bench-results
mkdir -p "$OUT"
PIECE=$OUT/render-piece.inc
WAV=$OUT/render-piece.wav
bench/make_render_piece.py 180 >"$PIECE"

python3 - "$BUILD/tonvell-cli" "$PIECE" "$WAV" "$RUNS" "$TARGET" "$OUT/render.md" <<'PY'
import os, statistics, sys, time, wave
cli, piece, wav, runs, target, summary = sys.argv[1:7]
walls, cpus = [], []
for _ in range(int(runs)):
    start = time.perf_counter()
    pid = os.posix_spawn(cli, [cli, "-q", "--wav", wav, piece], os.environ)
    _, status, usage = os.wait4(pid, 0)
    walls.append(time.perf_counter() - start)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("bench: tonvell-cli --wav failed")
    cpus.append(usage.ru_utime + usage.ru_stime)
with wave.open(wav) as w:
    seconds = w.getnframes() / w.getframerate()
cpu, wall = statistics.median(cpus), statistics.median(walls)
table = ("| Piece [s] | Runs | Median CPU [s] | Median wall [s] | Min wall [s] "
         "| Speed (CPU) | Speed (min wall) | Target |\n"
         "|---:|---:|---:|---:|---:|---:|---:|---:|\n"
         f"| {seconds:.1f} | {runs} | {cpu:.3f} | {wall:.3f} | {min(walls):.3f} "
         f"| {seconds / cpu:.0f}x | {seconds / min(walls):.0f}x | >= {target}x |\n")
print(table, end="")
with open(summary, "w") as out:
    out.write(table)
sys.exit(0 if seconds / cpu >= float(target) else 1)
PY

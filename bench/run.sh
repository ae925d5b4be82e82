#!/usr/bin/env bash
# Whole-process benchmark of the converter against midicsv on the same
# generated 250,000-byte format-0 file, measured side by side with hyperfine.
# Exits non-zero when a target is missed:
#   tonvell-cli FILE        at most 0.5 x midicsv FILE
#   tonvell-cli --log FILE  at most 1.0 x midicsv FILE
# Usage: bench/run.sh [BUILD_DIR]   (default $BENCH_BUILD_DIR, else build)
# The verdict compares the medians of all runs of each command (robust against
# the odd run slowed by other work on the machine); means are printed as well.
# The table goes to BUILD_DIR/bench-results/summary.md.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-${BENCH_BUILD_DIR:-build}}
RUNS=${BENCH_RUNS:-20}      # runs of each command per round
ROUNDS=${BENCH_ROUNDS:-5}
for tool in cmake hyperfine midicsv python3; do
  command -v "$tool" >/dev/null || { echo "bench: $tool not found (scripts/setup.sh installs it)" >&2; exit 1; }
done

if [[ ! -f $BUILD/CMakeCache.txt ]]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTONVELL_BUILD_GUI=OFF -DTONVELL_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$BUILD" --target tonvell-cli make-bench-midi --parallel "$(nproc)"
grep -E '^CMAKE_BUILD_TYPE:' "$BUILD/CMakeCache.txt" || true

OUT=$BUILD/bench-results
mkdir -p "$OUT"
FILE=$OUT/bench.mid
CLI=$BUILD/tonvell-cli
"$BUILD/make-bench-midi" "$FILE"

# Both programs must take the whole file, or the comparison means nothing.
"$CLI" "$FILE" 2>&1 >/dev/null | grep -q 'Обработано: 100 %' ||
  { echo "bench: tonvell-cli did not convert $FILE whole" >&2; exit 1; }
midicsv "$FILE" >/dev/null

# Rounds of hyperfine runs, the three commands side by side in each round:
# a burst of other work on the machine then falls on all three alike rather
# than on whichever command happened to be running.
rm -f "$OUT"/round-*.json
for ((round = 1; round <= ROUNDS; round++)); do
  echo "bench: round $round of $ROUNDS"
  hyperfine -N --output=null --warmup 5 --runs "$RUNS" --style basic \
    --export-json "$OUT/round-$round.json" \
    -n "tonvell-cli FILE" "$CLI $FILE" \
    -n "tonvell-cli --log FILE" "$CLI --log $FILE" \
    -n "midicsv FILE" "midicsv $FILE" | grep -E '^(Benchmark|  Time)'
done

echo
python3 - "$OUT" "$ROUNDS" <<'PY'
import json, pathlib, statistics, sys
out, rounds = pathlib.Path(sys.argv[1]), int(sys.argv[2])
times = {}
for i in range(1, rounds + 1):
    for r in json.loads((out / f"round-{i}.json").read_text())["results"]:
        times.setdefault(r["command"], []).extend(r["times"])
base = statistics.median(times["midicsv FILE"])
lines = ["| Command | Median [ms] | Mean [ms] | Min [ms] | Runs | Ratio to midicsv (median) |",
         "|:---|---:|---:|---:|---:|---:|"]
for name, t in times.items():
    lines.append(f"| `{name}` | {statistics.median(t) * 1e3:.2f} | {statistics.mean(t) * 1e3:.2f} | "
                 f"{min(t) * 1e3:.2f} | {len(t)} | {statistics.median(t) / base:.2f} |")
table = "\n".join(lines)
(out / "summary.md").write_text(table + "\n")
print(table)
print()
ok = True
for name, limit in (("tonvell-cli FILE", 0.5), ("tonvell-cli --log FILE", 1.0)):
    ratio = statistics.median(times[name]) / base
    ok = ok and ratio <= limit
    print(f"{name} / midicsv FILE: {ratio:.2f} (medians), target <= {limit}: "
          f"{'ok' if ratio <= limit else 'MISSED'}")
sys.exit(0 if ok else 1)
PY

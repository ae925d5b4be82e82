#!/usr/bin/env bash
# Whole-process benchmark of the converter against midicsv on the same
# generated 250,000-byte format-0 file, measured side by side with hyperfine.
# Exits non-zero when a target is missed:
#   tonvell-cli FILE        at most 0.5 x midicsv FILE
#   tonvell-cli --log FILE  at most 1.0 x midicsv FILE
# Usage: bench/run.sh [BUILD_DIR]   (default $BENCH_BUILD_DIR, else build)
# Each round runs the three commands side by side; a round's ratio compares
# medians within the round, and the verdict takes the median of the rounds'
# ratios, so that a stretch of other work on a shared machine, which slows
# whatever runs during it, sways no verdict.
# The table goes to BUILD_DIR/bench-results/summary.md.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-${BENCH_BUILD_DIR:-build}}
RUNS=${BENCH_RUNS:-3}       # runs of each command per round
ROUNDS=${BENCH_ROUNDS:-40}
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
echo -n "bench: $ROUNDS rounds of $RUNS runs of each command "
for ((round = 1; round <= ROUNDS; round++)); do
  hyperfine -N --output=null --warmup 1 --runs "$RUNS" --style none \
    --export-json "$OUT/round-$round.json" \
    -n "tonvell-cli FILE" "$CLI $FILE" \
    -n "tonvell-cli --log FILE" "$CLI --log $FILE" \
    -n "midicsv FILE" "midicsv $FILE" >/dev/null
  echo -n .
done
echo
echo
python3 - "$OUT" "$ROUNDS" <<'PY'
import json, pathlib, statistics, sys
out, rounds = pathlib.Path(sys.argv[1]), int(sys.argv[2])
times = {}
ratios = {}
for i in range(1, rounds + 1):
    results = {r["command"]: r["times"] for r in json.loads((out / f"round-{i}.json").read_text())["results"]}
    base = statistics.median(results["midicsv FILE"])
    for name, t in results.items():
        times.setdefault(name, []).extend(t)
        ratios.setdefault(name, []).append(statistics.median(t) / base)
lines = ["| Command | Median [ms] | Mean [ms] | Min [ms] | Runs | Ratio to midicsv |",
         "|:---|---:|---:|---:|---:|---:|"]
for name, t in times.items():
    lines.append(f"| `{name}` | {statistics.median(t) * 1e3:.2f} | {statistics.mean(t) * 1e3:.2f} | "
                 f"{min(t) * 1e3:.2f} | {len(t)} | {statistics.median(ratios[name]):.2f} |")
table = "\n".join(lines)
(out / "summary.md").write_text(table + "\n")
print(table)
print()
ok = True
for name, limit in (("tonvell-cli FILE", 0.5), ("tonvell-cli --log FILE", 1.0)):
    ratio = statistics.median(ratios[name])
    ok = ok and ratio <= limit
    q = statistics.quantiles(ratios[name], n=4)
    print(f"{name} / midicsv FILE: {ratio:.2f} (median of {rounds} rounds; "
          f"quartiles {q[0]:.2f}, {q[2]:.2f}), target <= {limit}: "
          f"{'ok' if ratio <= limit else 'MISSED'}")
sys.exit(0 if ok else 1)
PY

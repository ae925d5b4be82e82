#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs clang-tidy, with the repository's .clang-tidy, over the program's own
# sources: the files of platform/, convert/, output/, cli/, app/ and playback/ (and the
# headers of those folders they include), not the tests, fuzz targets,
# benchmarks or generated files. The compiler options come from the compile
# commands of a configured build (default build-clang/; nothing needs to be
# built). Any finding fails: the exit status is non-zero and the findings are
# printed, file by file.
# Sources built only for Windows are not in a Linux build's commands; they are
# named as not checked.
# Usage: scripts/tidy.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build-clang}
FOLDERS=(platform convert output cli app playback)
if ! command -v clang-tidy >/dev/null; then
  echo "tidy: clang-tidy not found (scripts/setup.sh --test installs it)" >&2
  exit 1
fi
if [[ ! -f $BUILD/compile_commands.json ]]; then
  echo "tidy: no $BUILD/compile_commands.json; configure a build there first, e.g." >&2
  echo "  cmake -S . -B $BUILD -G Ninja -DCMAKE_CXX_COMPILER=clang++" >&2
  exit 1
fi

# The sources in the folders' own directories that the build compiles, and
# those of the same folders it does not.
mapfile -t lists < <(
  python3 - "$BUILD/compile_commands.json" "$PWD" "${FOLDERS[@]}" <<'PICK'
import glob, json, os, sys
database, root, folders = sys.argv[1], sys.argv[2], sys.argv[3:]
compiled = set()
for entry in json.load(open(database)):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    relative = os.path.relpath(path, root)
    if os.path.dirname(relative) in folders:
        compiled.add(relative)
present = {f for folder in folders for f in glob.glob(folder + "/*.cpp")}
print(" ".join(sorted(compiled)))
print(" ".join(sorted(present - compiled)))
PICK
)
read -r -a files <<<"${lists[0]:-}"
read -r -a unchecked <<<"${lists[1]:-}"
if ((${#files[@]} == 0)); then
  echo "tidy: $BUILD/compile_commands.json names none of the program's sources" >&2
  exit 1
fi
if ((${#unchecked[@]})); then
  echo "tidy: not in $BUILD's compile commands, not checked:" \
    "${unchecked[*]}"
fi

# One clang-tidy per file, as many at once as there are processors; each
# file's output is kept apart and printed whole once all have run.
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
export BUILD logs
# shellcheck disable=SC2016 # the inner script expands its own variables
printf '%s\0' "${files[@]}" | xargs -0 -n 1 -P "$(nproc)" bash -c '
  log="$logs/${1//\//_}.log"
  clang-tidy -p "$BUILD" --quiet --warnings-as-errors="*" "$1" >"$log" 2>&1 ||
    echo "$1" >>"$logs/failed"
' tidy-file

if [[ -s $logs/failed ]]; then
  mapfile -t failed < <(sort "$logs/failed")
  for f in "${failed[@]}"; do
    echo "== $f"
    grep -v -E '^[0-9]+ (warnings?|errors?)( and [0-9]+ (warnings?|errors?))? generated\.$' \
      "$logs/${f//\//_}.log" || true
  done
  # A finding in a header shows once for each file that includes it.
  echo "== distinct findings"
  cat "$logs"/*.log | { grep -E ': (warning|error): ' || true; } | sort -u
  echo "tidy: findings in ${#failed[@]} of ${#files[@]} files: ${failed[*]}" >&2
  exit 1
fi
echo "tidy: ${#files[@]} files checked, no findings"

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs clang-tidy, with the repository's .clang-tidy, over the program's own
# sources: the files of platform/, convert/, output/, cli/, app/ and playback/ (and the
# headers of those folders they include), not the tests, fuzz targets,
# benchmarks or generated files. The compiler options come from the compile
# commands of a configured build (default build-clang/; nothing needs to be
# built). Any finding fails: the exit status is non-zero and the findings are
# printed, file by file.
# Sources built only for Windows are checked with the compile commands of the
# mingw-w64 build (WINDOWS_BUILD_DIR, e.g. build-win/): clang-tidy parses them
# for the mingw-w64 target, with that compiler's C++ library headers. Without
# it, or any source neither build compiles, is named as not checked.
# Usage: scripts/tidy.sh [BUILD_DIR [WINDOWS_BUILD_DIR]]
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build-clang}
WINDOWS_BUILD=${2:-}
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
if [[ -n $WINDOWS_BUILD && ! -f $WINDOWS_BUILD/compile_commands.json ]]; then
  echo "tidy: no $WINDOWS_BUILD/compile_commands.json; configure the Windows build first:" >&2
  echo "  cmake -S . -B $WINDOWS_BUILD -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake" >&2
  exit 1
fi

# The sources in the folders' own directories that the build compiles, those
# only the Windows build compiles (and that build's C++ compiler), and those
# of the same folders neither does.
mapfile -t lists < <(
  python3 - "$PWD" "$BUILD/compile_commands.json" "${WINDOWS_BUILD:+$WINDOWS_BUILD/compile_commands.json}" \
    "${FOLDERS[@]}" <<'PICK'
import glob, json, os, shlex, sys
root, database, windows_database, folders = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
def compiled(database):
    files, compiler = set(), ""
    for entry in json.load(open(database)) if database else []:
        path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
        relative = os.path.relpath(path, root)
        if os.path.dirname(relative) in folders:
            files.add(relative)
            command = entry.get("arguments") or shlex.split(entry["command"])
            compiler = command[0]
    return files, compiler
linux, _ = compiled(database)
windows, windows_compiler = compiled(windows_database)
windows -= linux
present = {f for folder in folders for f in glob.glob(folder + "/*.cpp")}
print(" ".join(sorted(linux)))
print(" ".join(sorted(windows)))
print(" ".join(sorted(present - linux - windows)))
print(windows_compiler if windows else "")
PICK
)
read -r -a files <<<"${lists[0]:-}"
read -r -a windows_files <<<"${lists[1]:-}"
read -r -a unchecked <<<"${lists[2]:-}"
windows_compiler=${lists[3]:-}
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
# Usage: check_files BUILD_DIR [CLANG_TIDY_OPTION...] -- FILE...
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
check_files() {
  local build=$1 options=()
  shift
  while [[ $1 != -- ]]; do options+=("$1"); shift; done
  shift
  (($#)) || return 0
  # shellcheck disable=SC2016 # the inner script expands its own variables
  printf '%s\0' "$@" | xargs -0 -n 1 -P "$(nproc)" bash -c '
    file=${*: -1}
    log="$logs/${file//\//_}.log"
    clang-tidy --quiet --warnings-as-errors="*" "$@" >"$log" 2>&1 ||
      echo "$file" >>"$logs/failed"
  ' tidy-file -p "$build" "${options[@]}"
}
export logs

check_files "$BUILD" -- "${files[@]}"
if ((${#windows_files[@]})); then
  # clang parses for the mingw-w64 target and finds that target's C headers
  # itself; the C++ library headers are those of the compiler the build used
  # (its own compiler intrinsics are left to clang's).
  windows_options=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++)
  while read -r dir; do
    windows_options+=("--extra-arg=-isystem$dir")
  done < <(echo | "$windows_compiler" -std=c++20 -E -x c++ - -v 2>&1 |
    sed -n '/^#include <...> search starts here:/,/^End of search list/p' | sed -n 's|^ \(.*/c++.*\)|\1|p')
  check_files "$WINDOWS_BUILD" "${windows_options[@]}" -- "${windows_files[@]}"
  files+=("${windows_files[@]}")
fi

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

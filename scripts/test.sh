#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Set-up, then every test: the format check, the normal build (unit,
# command-line and window tests), a short fuzzing run of the MIDI reader, the
# core suite again in a sanitizer build, the player's thread under
# ThreadSanitizer, the Windows build under wine, the web page in headless
# Chromium, the Debian packages built as a distribution builds them (optimised, hardened
# flags, as another user) and checked and tested installed, the release
# tarball and Windows ZIP made twice, a clang build of the core, and
# clang-tidy over the program's sources. Each stage does only what no earlier
# one did. Prints how long each stage took and ends with one line counting the
# tests of all builds.
# Usage: scripts/test.sh [STAGE...]
#   With stage names (e.g. package tidy), only those stages run, in that
#   order, without the set-up, on the builds earlier runs left.
set -euo pipefail
cd "$(dirname "$0")/.."

JOBS=$(nproc)
passed=0
failed=0
status=0
# Runs ctest on a build folder (further arguments go to ctest) and adds its
# counts to the totals.
run_ctest() {
  local dir=$1 log="$1/ctest-summary.log" rc=0
  shift
  ctest --test-dir "$dir" --output-on-failure --timeout 900 --parallel "$JOBS" "$@" | tee "$log" ||
    rc=$?
  count_tests "$log"
  return "$rc"
}
# Adds the counts of the last ctest summary line in a log to the totals.
count_tests() {
  local summary
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1 || true)
  if [[ $summary =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
  echo "$passed $failed" >"$counts"
}

# Runs one stage (a function below), records a failure and prints its time.
timings=()
counts=$(mktemp)
trap 'rm -f "$counts"' EXIT
echo "0 0" >"$counts"
stage() {
  local name=$1 start=$SECONDS rc=0
  echo "== $name"
  # A subshell with errexit, so that a stage stops at its first failing
  # command while the script goes on; the test counts come back through a file.
  set +e
  (
    set -e
    "$name"
  )
  rc=$?
  set -e
  read -r passed failed <"$counts"
  local took=$((SECONDS - start)) verdict=passed
  ((rc == 0)) || { verdict="FAILED"; status=1; }
  timings+=("$(printf '%-14s %4d s  %s' "$name" "$took" "$verdict")")
  echo "== $name: $verdict in $took s"
}

# Packages, then the main build (warnings as errors) in build/.
setup() { scripts/setup.sh --test; }

# The sources must be formatted with the repository's .clang-format.
format() {
  git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
}

main_build() { run_ctest build; }

fuzz() { scripts/fuzz.sh 60; }

asan() {
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTONVELL_SANITIZE=ON \
    -DTONVELL_WERROR=ON -DTONVELL_BUILD_GUI=OFF -DTONVELL_BUILD_BENCH=OFF >/dev/null
  cmake --build build-asan --parallel "$JOBS"
  run_ctest build-asan
}

# The listing player's thread and its tests under ThreadSanitizer (no window).
tsan() {
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONVELL_SANITIZE_THREAD=ON \
    -DTONVELL_WERROR=ON -DTONVELL_BUILD_GUI=OFF -DTONVELL_BUILD_BENCH=OFF >/dev/null
  cmake --build build-tsan --parallel "$JOBS" --target playback_tests
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_ctest build-tsan -L player
}

# The two Debian packages, built by dpkg-buildpackage as a distribution
# builds them (dpkg-buildflags' optimised and hardened flags, warnings shown,
# not errors), then checked by lintian, unpacked and tested installed
# (tests/package_test.sh). The build leaves its unit tests out (nocheck):
# main_build ran them on the same sources. Then the release tarball, made
# twice from a tag in a temporary clone (tests/release_test.sh), and the
# Windows ZIP, made twice (windows_zip).
package() {
  DEB_BUILD_OPTIONS="nocheck parallel=$JOBS ${DEB_BUILD_OPTIONS:-}" tests/package_test.sh
  tests/release_test.sh
  windows_zip
}

# The command line for Windows, cross-built with mingw-w64 and run under wine
# in a fresh wine prefix, with no display: its tests, then the same outputs as
# the Linux build's, byte for byte (tests/windows/compare_outputs.py).
windows() {
  # Not local: the stage's subshell removes the prefix when it exits, after
  # this function has returned.
  wine_prefix=$(mktemp -d)
  trap 'WINEPREFIX="$wine_prefix" wineserver -k 2>/dev/null || true; rm -rf "$wine_prefix"' EXIT
  export WINEPREFIX=$wine_prefix WINEDEBUG=-all
  unset DISPLAY WAYLAND_DISPLAY
  cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DTONVELL_WERROR=ON >/dev/null
  cmake --build build-win --parallel "$JOBS"
  # The prefix is made once, before test programs start side by side.
  wine cmd /c exit >/dev/null 2>&1
  run_ctest build-win
  local bench_midi=()
  [[ -x build/make-bench-midi ]] && bench_midi=(build/make-bench-midi)
  python3 tests/windows/compare_outputs.py build/tonvell-cli build-win/tonvell-cli.exe "${bench_midi[@]}"
}

# The ZIP for Windows users (scripts/windows-zip.sh), made twice with the
# .exe linked again in between: the same bytes both times.
windows_zip() {
  local first second again
  first=$(scripts/windows-zip.sh build-win)
  again=$(mktemp -d)
  rm build-win/tonvell-cli.exe
  cmake --build build-win --target tonvell-cli >/dev/null
  second=$(scripts/windows-zip.sh build-win "$again")
  cmp "$first" "$second" || { rm -rf "$again"; echo "the Windows ZIP differs when made again" >&2; return 1; }
  rm -rf "$again"
  python3 - "$first" <<'CHECK'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    assert z.testzip() is None, "damaged entry"
    names = [n.split("/", 1)[1] for n in z.namelist()]
    assert names == ["LICENSE.txt", "README.txt", "tonvell-cli.exe"], names
    folder = z.namelist()[0].split("/")[0]
    readme = z.read(folder + "/README.txt")
    licence = z.read(folder + "/LICENSE.txt")
    for text in (readme, licence):
        assert text.count(b"\r\n") == text.count(b"\n") > 10, "not CR LF throughout"
    assert b"PowerShell" in readme and b"apt" not in readme.split(), "not the Windows README"
    assert b"winpthreads" in licence and b"MIT License" in licence, "licence notices missing"
    print(sys.argv[1] + ": " + ", ".join(names) + ", the same bytes when made again")
CHECK
}

# The core again with clang, warnings as errors: the command line and the
# core's tests are built and run. The window and its tests were built and run
# in the main build; they are configured here only for clang-tidy's compile
# commands, and the benchmarks not at all.
clang_build() {
  configure_clang
  cmake --build build-clang --parallel "$JOBS" --target cli/all tests/convert/all tests/output/all \
    tests/cli/all tests/playback/all
  run_ctest build-clang --exclude-regex '^app\.'
}
configure_clang() {
  cmake -S . -B build-clang -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ \
    -DTONVELL_WERROR=ON -DTONVELL_BUILD_BENCH=OFF >/dev/null
}

# clang-tidy with the repository's .clang-tidy over the program's own sources
# (platform/, convert/, output/, cli/, app/, playback/), with the clang build's
# compile commands, and the Windows-only sources with the Windows build's;
# any finding fails the stage.
tidy() {
  configure_clang
  scripts/tidy.sh build-clang build-win
}

# The web page, built with emscripten and driven in headless chromium: the
# same bytes as build/tonvell-cli on the test files, a refused file, the
# player's schedule (an OfflineAudioContext renders it).
web() {
  scripts/build_web.sh
  tests/web/run.sh build-web/dist build/tonvell-cli
}

STAGES=(format main_build fuzz asan tsan windows web package clang_build tidy)
if (($#)); then
  # Only the stages named, in the order given, on what earlier runs built.
  for name in "$@"; do
    [[ " setup ${STAGES[*]} windows_zip " == *" $name "* ]] || {
      echo "usage: scripts/test.sh [STAGE...]; stages: setup ${STAGES[*]} windows_zip" >&2
      exit 2
    }
  done
  STAGES=("$@")
else
  stage setup
  if ((status != 0)); then
    echo "tests: set-up failed" >&2
    exit 1
  fi
fi
for name in "${STAGES[@]}"; do
  stage "$name"
done

echo "== time per stage"
printf '%s\n' "${timings[@]}"
echo "tests: $passed passed, $failed failed"
exit "$status"

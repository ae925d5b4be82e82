#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Packs the Windows build's command line for Windows users:
# tonvell-cli-VERSION-windows-x86_64.zip holding one folder of that name with
# tonvell-cli.exe (stripped), README.txt (docs/windows-readme.md) and
# LICENSE.txt (the project's licence and the notices of the MinGW-w64 runtime
# linked into the .exe, docs/windows-notices.txt), the texts with Windows
# line ends (CR LF). The same build gives the same bytes: the stripped .exe's
# header and every entry have the time SOURCE_DATE_EPOCH (default: the last commit's, else the Debian
# changelog's newest entry's) and fixed permissions, the entries come in a
# fixed order, and zip stores no extra attributes (-X).
# Usage: scripts/windows-zip.sh [WINDOWS_BUILD_DIR [OUT_DIR]]
#   (defaults build-win/ and the build folder); prints the ZIP's path.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-win}
out=${2:-$build}
version=$(sed -n 's/^project(Tonvell VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=tonvell-cli-$version-windows-x86_64
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || dpkg-parsechangelog -S Timestamp)
fi
# strip writes it into the .exe's header as its build time.
export SOURCE_DATE_EPOCH
[[ -f $build/tonvell-cli.exe ]] || {
  echo "windows-zip: no $build/tonvell-cli.exe; build it first (cmake --build $build)" >&2
  exit 1
}

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/$name"
x86_64-w64-mingw32-strip -o "$dir/$name/tonvell-cli.exe" "$build/tonvell-cli.exe"
# Windows text: CR LF line ends; the README without its licence comment line.
sed '1{/^<!-- SPDX-License-Identifier/d}' docs/windows-readme.md | sed 's/$/\r/' >"$dir/$name/README.txt"
{ cat LICENSE; printf '\n\n'; cat docs/windows-notices.txt; } | sed 's/$/\r/' >"$dir/$name/LICENSE.txt"
chmod 0755 "$dir/$name" "$dir/$name/tonvell-cli.exe"
chmod 0644 "$dir/$name/README.txt" "$dir/$name/LICENSE.txt"
touch -d "@$SOURCE_DATE_EPOCH" "$dir/$name" "$dir/$name"/*

mkdir -p "$out"
zip_path=$(realpath "$out")/$name.zip
rm -f "$zip_path"
# ZIP times are local times: UTC here, whatever the machine's zone.
(cd "$dir" && TZ=UTC zip -q -X -D "$zip_path" "$name/LICENSE.txt" "$name/README.txt" \
  "$name/tonvell-cli.exe")
echo "$zip_path"

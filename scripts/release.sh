#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the release tarball tonvell-VERSION.tar.gz from a tag vVERSION: the
# files the tag's commit holds, under the folder tonvell-VERSION/. The same
# tag gives the same bytes: every entry carries the commit's time and the
# same mode bits, and gzip stores no name or time of its own.
# First it checks that the release is one: the tag names VERSION, and the
# tagged CMakeLists.txt (project VERSION), debian/changelog (upstream
# version), AppStream metadata (newest release) and NEWS (newest entry) all
# say VERSION.
# Debian's source package is made from the tarball under the name
# dpkg-source looks for (see docs/building.md):
#   ln -s tonvell-VERSION.tar.gz tonvell_VERSION.orig.tar.gz
#   tar -xf tonvell-VERSION.tar.gz && cd tonvell-VERSION && dpkg-buildpackage -S
# Usage: scripts/release.sh TAG [OUT_DIR]   (OUT_DIR: default the current folder)
set -euo pipefail

if (($# < 1 || $# > 2)); then
  echo "usage: scripts/release.sh TAG [OUT_DIR]" >&2
  exit 2
fi
tag=$1
out=${2:-.}
repo=$(cd "$(dirname "$0")/.." && pwd)
git() { command git -C "$repo" "$@"; }

failures=0
fail() {
  echo "release: $*" >&2
  failures=$((failures + 1))
}

git rev-parse -q --verify "refs/tags/$tag" >/dev/null || {
  echo "release: no tag $tag" >&2
  exit 1
}
[[ $tag =~ ^v([0-9]+(\.[0-9]+)+)$ ]] || {
  echo "release: the tag $tag is not vVERSION (e.g. v0.11)" >&2
  exit 1
}
version=${BASH_REMATCH[1]}
commit=$(git rev-parse "$tag^{commit}")

# Prints a file as the tagged commit holds it.
tagged() { git show "$commit:$1"; }

cmake_version=$(tagged CMakeLists.txt | sed -nE 's/^project\(Tonvell VERSION ([0-9.]+) .*/\1/p')
debian_version=$(tagged debian/changelog | sed -nE '1s/^tonvell \(([^)]+)\).*/\1/p')
appstream_version=$(tagged app/io.github.tonvell.tonvell.metainfo.xml |
  sed -nE 's/.*<release version="([^"]+)".*/\1/p' | head -n 1)
news_version=$(tagged NEWS | sed -nE 's/^Tonvell ([0-9.]+) .*/\1/p' | head -n 1)
[[ $cmake_version == "$version" ]] || fail "CMakeLists.txt's project VERSION is '$cmake_version', the tag $tag"
[[ ${debian_version%-*} == "$version" ]] ||
  fail "debian/changelog's newest entry is '$debian_version', the tag $tag"
[[ $appstream_version == "$version" ]] ||
  fail "the AppStream metadata's newest release is '$appstream_version', the tag $tag"
[[ $news_version == "$version" ]] || fail "NEWS's newest entry is '$news_version', the tag $tag"
if ((failures)); then
  echo "release: $tag is not released ($failures disagreements)" >&2
  exit 1
fi

# The archive's entries: the commit's time, rw-r--r-- or rwxr-xr-x.
mkdir -p "$out"
tarball=$out/tonvell-$version.tar.gz
partial=$(mktemp "$out/.tonvell-$version.tar.gz.XXXXXX")
trap 'rm -f "$partial"' EXIT
git -c tar.umask=0022 archive --format=tar --prefix="tonvell-$version/" "$commit" |
  gzip -9 -n >"$partial"
chmod 0644 "$partial"
mv "$partial" "$tarball"
echo "release: $tarball ($(sha256sum "$tarball" | cut -d ' ' -f 1))"

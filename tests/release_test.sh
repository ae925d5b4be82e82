#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The release command on a tag made for the test in a temporary clone of the
# repository's HEAD (no tag is made here): scripts/release.sh makes the same
# tarball twice, refuses a tag that disagrees with the version the sources
# state, and Debian's source package is made from the tarball with
# dpkg-buildpackage -S under the orig tarball's name.
# Usage: tests/release_test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
git clone -q --no-local . "$tmp/clone"
version=$(sed -nE 's/^project\(Tonvell VERSION ([0-9.]+) .*/\1/p' "$tmp/clone/CMakeLists.txt")
git -C "$tmp/clone" -c user.name=test -c user.email=test@invalid tag -a -m "test" "v$version"
git -C "$tmp/clone" -c user.name=test -c user.email=test@invalid tag -a -m "test" v99.0

"$tmp/clone/scripts/release.sh" "v$version" "$tmp/first"
sleep 1 # a second later: no time of the run's may reach the bytes
"$tmp/clone/scripts/release.sh" "v$version" "$tmp/second"
cmp "$tmp/first/tonvell-$version.tar.gz" "$tmp/second/tonvell-$version.tar.gz"
if "$tmp/clone/scripts/release.sh" v99.0 "$tmp/wrong" 2>"$tmp/wrong.log"; then
  echo "release test: FAILED: v99.0 was released from sources at $version" >&2
  exit 1
fi
grep -q "CMakeLists.txt's project VERSION is '$version', the tag v99.0" "$tmp/wrong.log" || {
  cat "$tmp/wrong.log" >&2
  echo "release test: FAILED: the disagreement is not named" >&2
  exit 1
}

# Debian's source package from the tarball alone.
cd "$tmp/first"
ln -s "tonvell-$version.tar.gz" "tonvell_$version.orig.tar.gz"
tar -xzf "tonvell-$version.tar.gz"
(cd "tonvell-$version" && dpkg-buildpackage -S -us -uc -d) >"$tmp/source.log" 2>&1 || {
  tail -n 30 "$tmp/source.log" >&2
  echo "release test: FAILED: dpkg-buildpackage -S from the tarball" >&2
  exit 1
}
deb_version=$(cd "tonvell-$version" && dpkg-parsechangelog -S Version)
dsc=tonvell_$deb_version.dsc
grep -q "tonvell_$version.orig.tar.gz" "$dsc" || {
  echo "release test: FAILED: $dsc does not name the orig tarball" >&2
  exit 1
}
echo "release test: tonvell-$version.tar.gz the same twice ($(sha256sum "tonvell-$version.tar.gz" |
  cut -c1-16)...), v99.0 refused, $dsc made from it"

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Debian package from a built folder, unpacks it with dpkg-deb -x into
# a temporary folder (nothing is installed on the machine) and checks it: the
# unpacked tonvell-cli runs and converts, the desktop file, the AppStream
# metadata and the manual pages are valid, the icons have their sizes, the
# dependencies were computed from the binaries, and the bash completion
# completes.
# Usage: tests/package_test.sh BUILD_DIR   (built with the window)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:?usage: tests/package_test.sh BUILD_DIR}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

failures=0
fail() {
  echo "package test: FAILED: $*" >&2
  failures=$((failures + 1))
}

(cd "$BUILD" && cpack -G DEB -B "$tmp/out") >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; echo "package test: cpack failed" >&2; exit 1; }
debs=("$tmp"/out/*.deb)
((${#debs[@]} == 1)) || { echo "package test: expected one .deb, got ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
echo "package test: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
root=$tmp/root
dpkg-deb -x "$deb" "$root"

# Dependencies: computed from the binaries, not written by hand.
depends=$(dpkg-deb -f "$deb" Depends)
echo "package test: Depends: $depends"
for lib in libc6 libstdc++6 libqt6widgets6 qt6-qpa-plugins; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib"
done
# FluidSynth is opened when used, not linked: it and a SoundFont are named by hand.
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "package test: Recommends: $recommends"
for package in libfluidsynth3 timgm6mb-soundfont; do
  [[ $recommends == *"$package"* ]] || fail "Recommends lacks $package"
done

for file in usr/bin/tonvell usr/bin/tonvell-cli \
  usr/share/applications/tonvell.desktop \
  usr/share/icons/hicolor/scalable/apps/tonvell.svg \
  usr/share/icons/hicolor/48x48/apps/tonvell.png \
  usr/share/metainfo/io.github.tonvell.tonvell.metainfo.xml \
  usr/share/man/man1/tonvell-cli.1.gz usr/share/man/man1/tonvell.1.gz \
  usr/share/bash-completion/completions/tonvell-cli; do
  [[ -f $root/$file ]] || fail "missing /$file"
done
file -b "$root/usr/share/icons/hicolor/48x48/apps/tonvell.png" | grep -q 'PNG image data, 48 x 48' ||
  fail "the 48 px icon is not a 48 x 48 PNG"

# The unpacked command line runs from its folder and converts as the built one does.
cli=$root/usr/bin/tonvell-cli
version=$(dpkg-deb -f "$deb" Version)
[[ $("$cli" --version) == "tonvell-cli $version" ]] ||
  fail "tonvell-cli --version says '$("$cli" --version)', the package is $version"
if "$cli" -q examples/demo.mid >"$tmp/demo.inc" && "$cli" -q -o "$tmp/demo.zum" examples/demo.mid; then
  "$BUILD/tonvell-cli" -q examples/demo.mid | cmp -s - "$tmp/demo.inc" ||
    fail "the packaged tonvell-cli's listing differs from the built one's"
  [[ -s $tmp/demo.zum ]] || fail "the packaged tonvell-cli wrote an empty .zum"
  "$cli" -q --wav "$tmp/demo.wav" examples/demo.mid ||
    fail "the packaged tonvell-cli could not render examples/demo.mid"
else
  fail "the packaged tonvell-cli could not convert examples/demo.mid"
fi

desktop-file-validate "$root/usr/share/applications/tonvell.desktop" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.tonvell.tonvell.metainfo.xml" \
  >"$tmp/appstream.log" 2>&1 || { cat "$tmp/appstream.log" >&2; fail "appstreamcli validate"; }

# Manual pages render without a warning from groff or man.
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=w -l "$page" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "$(basename "$page") renders with warnings: $warnings"
  LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q 'EXIT STATUS\|SEE ALSO' ||
    fail "$(basename "$page") renders empty"
done
man_text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$root/usr/share/man/man1/tonvell-cli.1.gz" 2>/dev/null)
for heading in OPTIONS FORMATS 'EXIT STATUS' EXAMPLES; do
  grep -q "^$heading" <<<"$man_text" || fail "tonvell-cli.1 has no $heading section"
done
# Every long option the program lists in --help is described in its manual page.
for option in $("$cli" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
  grep -qF -- "$option" <<<"$man_text" || fail "tonvell-cli.1 does not describe $option"
done

# The bash completion offers the types after -t and the options after a dash.
if [[ -f /usr/share/bash-completion/bash_completion ]]; then
  completions=$(bash -s -- "$root/usr/share/bash-completion/completions/tonvell-cli" "$cli" <<'EOS'
source /usr/share/bash-completion/bash_completion
source "$1"
# Completes the command line "$cli WORDS..." whose last word is being typed.
complete_words() {
  COMP_WORDS=("$cli" "$@")
  COMP_CWORD=$#
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _tonvell_cli "$cli" "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
cli=$2
echo "types: $(complete_words -t '')"
echo "options: $(complete_words --)"
EOS
  ) || fail "the bash completion failed"
  [[ $completions == *"types: inc txt zum"* ]] || fail "completion after -t: $completions"
  [[ $completions == *"options: "*"--type"* ]] || fail "completion after -: $completions"
else
  echo "package test: bash-completion is not installed; the completion is not tried"
fi

if ((failures)); then
  echo "package test: $failures failed checks" >&2
  exit 1
fi
echo "package test: passed"

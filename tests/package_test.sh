#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian packages the way a distribution does and checks them.
# A copy of the sources (the files git knows of, as they are in the work tree)
# goes into a temporary folder; there the source package is made with
# dpkg-source and the two binary packages with dpkg-buildpackage -b, which
# builds with dpkg-buildflags' hardened flags and runs the tests that need no
# display (unless DEB_BUILD_OPTIONS has nocheck). Run as root, the build runs
# as Debian's build machines run it: as another user (nobody), with HOME
# pointing nowhere. lintian must find no error and no warning beyond what
# only a real maintainer and upload settle. Each package is unpacked with
# dpkg-deb -x into a folder of its own and checked: the files each holds (the
# documentation and demo tune too), the command line converts and its
# Depends name no Qt, FluidSynth only suggested by the command line, both
# programs hardened, the desktop file, AppStream metadata, icons and manual
# pages valid, and the bash completion completes. Last, as root, autopkgtest
# (null runner) installs both packages on this machine, runs
# debian/tests/ against them, and the packages are purged again.
# Usage: tests/package_test.sh
#   DEB_BUILD_OPTIONS is passed on (parallel=N, nocheck); ccache is used where
#   it is installed.
set -euo pipefail
cd "$(dirname "$0")/.."

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

failures=0
fail() {
  echo "package test: FAILED: $*" >&2
  failures=$((failures + 1))
}
# Stops at once: what follows needs the step that failed.
give_up() {
  echo "package test: $*" >&2
  exit 1
}

# The tags that only a real maintainer and upload settle: the placeholder
# address of the Maintainer field (debian/control and debian/changelog), and a
# first upload that closes no bug report.
PLACEHOLDER_TAGS=bogus-mail-host,bogus-mail-host-in-debian-changelog,initial-upload-closes-no-bugs

# --- The version, the same in CMake, the Debian changelog and AppStream ---
cmake_version=$(sed -nE 's/^project\(Tonvell VERSION ([0-9.]+) .*/\1/p' CMakeLists.txt)
deb_version=$(dpkg-parsechangelog -S Version)
upstream_version=${deb_version%-*}
appstream_version=$(sed -nE 's/.*<release version="([^"]+)".*/\1/p' \
  app/io.github.tonvell.tonvell.metainfo.xml | head -n 1)
[[ -n $cmake_version && $upstream_version == "$cmake_version" ]] ||
  fail "debian/changelog is at $deb_version, CMakeLists.txt at '$cmake_version'"
[[ $appstream_version == "$cmake_version" ]] ||
  fail "the AppStream file's latest release is '$appstream_version', CMakeLists.txt at '$cmake_version'"
[[ $deb_version == *-* ]] || fail "the Debian version $deb_version has no Debian revision"

# --- Build: the source package, then the binary packages ---
src=$tmp/tonvell-$upstream_version
mkdir "$src"
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do [[ -e $file ]] && printf '%s\0' "$file"; done |
  tar --null -T - -cf - | tar -xf - -C "$src"
tar -C "$tmp" --exclude="$(basename "$src")/debian" -cJf \
  "$tmp/tonvell_$upstream_version.orig.tar.xz" "$(basename "$src")"
(cd "$tmp" && dpkg-source -b "$(basename "$src")") >"$tmp/source.log" 2>&1 ||
  { cat "$tmp/source.log" >&2; give_up "dpkg-source failed"; }

# As root, the build runs as nobody in a clean environment whose HOME does not
# exist, as on Debian's build machines; nobody owns the copy.
build_env=(PATH="$PATH" LC_ALL=C.UTF-8 DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-}")
as_builder=()
if ((EUID == 0)); then
  chown -R nobody:nogroup "$tmp"
  as_builder=(runuser -u nobody --)
  build_env+=(HOME=/nonexistent)
else
  build_env+=(HOME="$HOME")
fi
if command -v ccache >/dev/null; then
  # Through ccache's compiler links; the copy's own path is left out of the
  # cache keys, so the next run's copy elsewhere finds the same entries. The
  # build user nobody keeps a cache of its own.
  build_env[0]="PATH=/usr/lib/ccache:$PATH"
  build_env+=(CCACHE_BASEDIR="$src" CCACHE_NOHASHDIR=1)
  if ((EUID == 0)); then
    cache=/var/cache/tonvell-package-ccache
    [[ -d $cache && ! -L $cache ]] || { rm -f "$cache" && mkdir -m 0755 "$cache"; }
    chown nobody:nogroup "$cache"
    build_env+=(CCACHE_DIR="$cache")
  fi
fi
echo "package test: dpkg-buildpackage -b -us -uc as $(${as_builder[@]+"${as_builder[@]}"} id -un)" \
  "(DEB_BUILD_OPTIONS='${DEB_BUILD_OPTIONS:-}')"
(cd "$src" && ${as_builder[@]+"${as_builder[@]}"} env -i "${build_env[@]}" dpkg-buildpackage -b -us -uc) \
  >"$tmp/build.log" 2>&1 ||
  { tail -n 80 "$tmp/build.log" >&2; give_up "dpkg-buildpackage failed (the log's end is above)"; }
grep -E '^(100% tests passed|[0-9]+% tests passed)|tests? failed out of' "$tmp/build.log" || true

arch=$(dpkg-architecture -qDEB_HOST_ARCH)
cli_deb=$tmp/tonvell-cli_${deb_version}_$arch.deb
gui_deb=$tmp/tonvell_${deb_version}_$arch.deb
for deb in "$cli_deb" "$gui_deb"; do
  [[ -f $deb ]] || give_up "dpkg-buildpackage made no $(basename "$deb")"
  echo "package test: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
done

# --- lintian, on the source and on the binary packages ---
lintian --fail-on error,warning --suppress-tags "$PLACEHOLDER_TAGS" \
  "$tmp/tonvell_$deb_version.dsc" "$tmp/tonvell_${deb_version}_$arch.changes" \
  >"$tmp/lintian.log" 2>&1 || { cat "$tmp/lintian.log" >&2; fail "lintian"; }
cat "$tmp/lintian.log"

# --- Unpacked, each into its own folder ---
cli_root=$tmp/root-cli
gui_root=$tmp/root-gui
dpkg-deb -x "$cli_deb" "$cli_root"
dpkg-deb -x "$gui_deb" "$gui_root"

# Which files go where: the command line alone in tonvell-cli, the window
# with its desktop integration in tonvell, and nothing in both.
# Each package's documentation: the README, the upstream NEWS and the demo
# tune beside the copyright and Debian changelog.
doc_files() {
  local doc=usr/share/doc/$1
  echo "$doc/copyright $doc/changelog.Debian.gz $doc/README.md.gz $doc/README.ru.md.gz $doc/NEWS.gz" \
    "$doc/examples/demo.mid $doc/examples/demo.abc $doc/examples/demo.mid.license"
}
read -r -a cli_docs <<<"$(doc_files tonvell-cli)"
read -r -a gui_docs <<<"$(doc_files tonvell)"
cli_files=(usr/bin/tonvell-cli usr/share/man/man1/tonvell-cli.1.gz
  usr/share/bash-completion/completions/tonvell-cli
  usr/share/lintian/overrides/tonvell-cli "${cli_docs[@]}")
gui_files=(usr/bin/tonvell usr/share/man/man1/tonvell.1.gz
  usr/share/applications/io.github.tonvell.tonvell.desktop
  usr/share/metainfo/io.github.tonvell.tonvell.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/tonvell.svg "${gui_docs[@]}")
ICON_SIZES=(16 24 32 48 64 128 256)
for size in "${ICON_SIZES[@]}"; do
  gui_files+=("usr/share/icons/hicolor/${size}x$size/apps/tonvell.png")
done
for file in "${cli_files[@]}"; do
  [[ -f $cli_root/$file ]] || fail "tonvell-cli lacks /$file"
done
for file in "${gui_files[@]}"; do
  [[ -f $gui_root/$file ]] || fail "tonvell lacks /$file"
done
both=$(comm -12 <(cd "$cli_root" && find . -type f | sort) <(cd "$gui_root" && find . -type f | sort))
[[ -z $both ]] || fail "files in both packages: $both"
for size in "${ICON_SIZES[@]}"; do
  file -b "$gui_root/usr/share/icons/hicolor/${size}x$size/apps/tonvell.png" |
    grep -q "PNG image data, $size x $size" || fail "the $size px icon is not a $size x $size PNG"
done

# --- Dependencies: computed from the binaries; no Qt for the command line ---
cli_depends=$(dpkg-deb -f "$cli_deb" Depends)
gui_depends=$(dpkg-deb -f "$gui_deb" Depends)
echo "package test: tonvell-cli Depends: $cli_depends"
echo "package test: tonvell Depends: $gui_depends"
[[ ${cli_depends,,} != *qt* ]] || fail "tonvell-cli depends on Qt: $cli_depends"
for lib in libc6 libstdc++6; do
  [[ $cli_depends == *"$lib"* ]] || fail "tonvell-cli's Depends lacks $lib"
done
for lib in libc6 libstdc++6 libqt6widgets6 libqt6serialport6 librtmidi qt6-qpa-plugins; do
  [[ $gui_depends == *"$lib"* ]] || fail "tonvell's Depends lacks $lib"
done
[[ $gui_depends != *tonvell-cli* ]] || fail "tonvell depends on tonvell-cli, which it does not use"
# FluidSynth is opened when used, never linked: the window recommends it and
# a SoundFont; the command line only suggests them, as --wav alone needs them
# and they pull in a desktop's sound stack.
for package in libfluidsynth3 timgm6mb-soundfont; do
  [[ $(dpkg-deb -f "$gui_deb" Recommends) == *"$package"* ]] || fail "tonvell's Recommends lacks $package"
  [[ $(dpkg-deb -f "$cli_deb" Suggests) == *"$package"* ]] || fail "tonvell-cli's Suggests lacks $package"
done
[[ -z $(dpkg-deb -f "$cli_deb" Recommends) ]] ||
  fail "tonvell-cli recommends $(dpkg-deb -f "$cli_deb" Recommends)"
needed=$(objdump -p "$cli_root/usr/bin/tonvell-cli" | awk '$1 == "NEEDED" { print $2 }' | tr '\n' ' ')
[[ ${needed,,} != *qt* && $needed != *fluidsynth* ]] ||
  fail "tonvell-cli links more than the C++ runtime: $needed"

# --- Hardening: BIND_NOW, a stack protector and fortified functions ---
for program in "$cli_root/usr/bin/tonvell-cli" "$gui_root/usr/bin/tonvell"; do
  name=$(basename "$program")
  readelf -d "$program" | grep -qE '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' ||
    fail "$name is not linked with BIND_NOW"
  readelf -d "$program" | grep -q '(FLAGS_1).*PIE' || fail "$name is not a PIE"
  symbols=$(readelf --dyn-syms -W "$program")
  grep -q '__stack_chk_fail' <<<"$symbols" || fail "$name has no stack protector"
  grep -qE '__[a-z_]+_chk(@| )' <<<"$symbols" || fail "$name calls no fortified function"
  if readelf -S "$program" | grep -q '\.debug_info'; then fail "$name is not stripped"; fi
done

# --- The unpacked command line converts as the built one does ---
cli=$cli_root/usr/bin/tonvell-cli
built_cli=$(find "$src" -path "$src/debian" -prune -o -name tonvell-cli -type f -perm -u+x -print |
  head -n 1)
[[ $("$cli" --version) == "tonvell-cli $upstream_version" ]] ||
  fail "tonvell-cli --version says '$("$cli" --version)', the package is $upstream_version"
if "$cli" -q examples/demo.mid >"$tmp/demo.inc" && "$cli" -q -o "$tmp/demo.zum" examples/demo.mid; then
  grep -q '^DB 00h ;end of block' "$tmp/demo.inc" || fail "the packaged tonvell-cli's listing has no end line"
  [[ -n $built_cli ]] && { "$built_cli" -q examples/demo.mid | cmp -s - "$tmp/demo.inc" ||
    fail "the packaged tonvell-cli's listing differs from the built one's"; }
  [[ -s $tmp/demo.zum ]] || fail "the packaged tonvell-cli wrote an empty .zum"
  "$cli" -q --wav "$tmp/demo.wav" examples/demo.mid ||
    fail "the packaged tonvell-cli could not render examples/demo.mid"
else
  fail "the packaged tonvell-cli could not convert examples/demo.mid"
fi

# --- The window program answers --help and --version without a display ---
gui=$gui_root/usr/bin/tonvell
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb)
help=$("${no_display[@]}" "$gui" --help 2>&1) || fail "tonvell --help failed: $help"
[[ $help == "Usage: tonvell "* ]] || fail "tonvell --help printed: $help"
version=$("${no_display[@]}" "$gui" --version 2>&1) || fail "tonvell --version failed: $version"
[[ $version == "tonvell $upstream_version" ]] || fail "tonvell --version printed: $version"
# Output that cannot be written is a failure, not a silent success.
if "${no_display[@]}" "$gui" --help >/dev/full 2>/dev/null; then
  fail "tonvell --help reported success with its output lost"
fi

# --- Desktop file and AppStream metadata ---
desktop-file-validate "$gui_root/usr/share/applications/io.github.tonvell.tonvell.desktop" ||
  fail "desktop-file-validate"
appstreamcli validate --pedantic --no-net "$gui_root/usr/share/metainfo/io.github.tonvell.tonvell.metainfo.xml" \
  >"$tmp/appstream.log" 2>&1 || { cat "$tmp/appstream.log" >&2; fail "appstreamcli validate"; }

# --- Manual pages: render without warnings, with the sections a user looks for ---
# Prints the page rendered as plain text.
man_text() { LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$1" 2>/dev/null; }
for page in "$cli_root"/usr/share/man/man1/*.1.gz "$gui_root"/usr/share/man/man1/*.1.gz; do
  name=$(basename "$page")
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=w -l "$page" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "$name renders with warnings: $warnings"
  text=$(man_text "$page")
  for heading in OPTIONS FILES AUTHOR COPYRIGHT 'SEE ALSO'; do
    grep -q "^$heading" <<<"$text" || fail "$name has no $heading section"
  done
done
cli_man=$(man_text "$cli_root/usr/share/man/man1/tonvell-cli.1.gz")
gui_man=$(man_text "$gui_root/usr/share/man/man1/tonvell.1.gz")
for heading in FORMATS 'EXIT STATUS' EXAMPLES; do
  grep -q "^$heading" <<<"$cli_man" || fail "tonvell-cli.1 has no $heading section"
done
grep -q 'dialout' <<<"$gui_man" || fail "tonvell.1 does not say that serial ports need the dialout group"
grep -q 'Cfg.ini' <<<"$gui_man" || fail "tonvell.1 does not say where Cfg.ini lies"
# Every long option a program lists in --help is described in its manual page.
for option in $("$cli" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
  grep -qF -- "$option" <<<"$cli_man" || fail "tonvell-cli.1 does not describe $option"
done
for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
  grep -qF -- "$option" <<<"$gui_man" || fail "tonvell.1 does not describe $option"
done

# --- The bash completion offers the types after -t and the options after a dash ---
if [[ -f /usr/share/bash-completion/bash_completion ]]; then
  completions=$(bash -s -- "$cli_root/usr/share/bash-completion/completions/tonvell-cli" "$cli" <<'EOS'
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

# --- Installed: autopkgtest's tests (debian/tests) on this machine, as root ---
if ((EUID != 0)); then
  echo "package test: not root; autopkgtest is not run"
elif ! command -v autopkgtest >/dev/null; then
  fail "autopkgtest is not installed (scripts/setup.sh --test installs it)"
elif dpkg-query -W -f='${Status}' tonvell tonvell-cli 2>/dev/null | grep -q 'ok installed'; then
  fail "tonvell or tonvell-cli is installed already; autopkgtest would replace it"
else
  echo "package test: autopkgtest (null runner) on the built packages"
  purge() { dpkg --purge tonvell tonvell-cli >/dev/null 2>&1 || true; }
  trap 'purge; rm -rf "$tmp"' EXIT
  autopkgtest --output-dir "$tmp/autopkgtest" "$cli_deb" "$gui_deb" "$tmp/tonvell_$deb_version.dsc" \
    -- null >"$tmp/autopkgtest.log" 2>&1 || { cat "$tmp/autopkgtest.log" >&2; fail "autopkgtest"; }
  summary=$tmp/autopkgtest/summary
  sed 's/^/package test: autopkgtest: /' "$summary" 2>/dev/null || true
  for test in command-line wav window; do
    grep -qE "^$test +PASS" "$summary" 2>/dev/null || fail "autopkgtest's $test did not pass"
  done
  purge
  if dpkg-query -W -f='${Status}\n' tonvell tonvell-cli 2>/dev/null | grep -q 'installed'; then
    fail "tonvell or tonvell-cli is still installed after the purge"
  fi
fi

if ((failures)); then
  echo "package test: $failures failed checks" >&2
  exit 1
fi
echo "package test: passed"

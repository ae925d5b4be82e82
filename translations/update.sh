#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Brings the translations in this folder up to date with the texts of the
# window and the playback (Qt's lupdate reads tr(), translate(),
# QT_TRANSLATE_NOOP and the playback's TONVELL_TEXT); a new text arrives
# untranslated, one no longer in the sources is dropped. With --check,
# changes nothing and fails unless every text of the sources has its
# translation and no translation is left over.
#   translations/update.sh [--check] LUPDATE
set -euo pipefail

check=false
if [[ "${1:-}" == --check ]]; then
  check=true
  shift
fi
if [[ $# -ne 1 ]]; then
  echo "usage: translations/update.sh [--check] LUPDATE" >&2
  exit 2
fi
lupdate=$1
cd "$(dirname "$0")/.."

# Without line numbers, so that moving a text in its file changes nothing.
update() {
  "$lupdate" -silent -recursive -locations none -no-obsolete -I . \
    -tr-function-alias QT_TRANSLATE_NOOP+=TONVELL_TEXT \
    app playback -ts "$1"
}

if ! $check; then
  for ts in translations/*.ts; do
    update "$ts"
  done
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for ts in translations/*.ts; do
  copy="$work/$(basename "$ts")"
  cp "$ts" "$copy"
  update "$copy"
  if ! diff -u "$ts" "$copy"; then
    echo "FAIL: $ts is not in step with the sources: run translations/update.sh $lupdate" >&2
    status=1
  fi
  if grep -q 'type="unfinished"' "$copy"; then
    echo "FAIL: $ts has texts without a translation" >&2
    status=1
  fi
done
exit "$status"

#!/usr/bin/env bash
# Installs into a staging folder and checks every file, the desktop entry, the manual pages,
# and that dbf2xml --help names the options the manual page describes.
set -euo pipefail
# The Czech manual page has letters that the POSIX locale cannot show: render in UTF-8,
# whatever locale the caller has (C.UTF-8 is always there).
export LC_ALL=C.UTF-8
build="$1"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
expected=(
  usr/bin/dbf2xml
  usr/bin/korvane
  usr/share/applications/korvane.desktop
  usr/share/icons/hicolor/scalable/apps/korvane.svg
  usr/share/icons/hicolor/256x256/apps/korvane.png
  usr/share/man/man1/dbf2xml.1.gz
  usr/share/man/man1/korvane.1.gz
)
for f in "${expected[@]}"; do
  [ -f "$stage/$f" ] || { echo "missing: $f"; exit 1; }
done
[ -x "$stage/usr/bin/dbf2xml" ] && [ -x "$stage/usr/bin/korvane" ]
desktop-file-validate "$stage/usr/share/applications/korvane.desktop"
for page in dbf2xml korvane; do
  warnings="$(zcat "$stage/usr/share/man/man1/$page.1.gz" | groff -ww -man -Tutf8 2>&1 >/dev/null)"
  [ -z "$warnings" ] || { echo "$page.1: $warnings"; exit 1; }
  rendered="$(MANWIDTH=80 man -l "$stage/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
  [ -z "$rendered" ] || { echo "$page.1: $rendered"; exit 1; }
done
help="$("$stage/usr/bin/dbf2xml" --help)"
manual="$(MANWIDTH=200 man -l "$stage/usr/share/man/man1/dbf2xml.1.gz" 2>/dev/null)"
for option in $(grep -oE -- '--?[a-z][a-z-]*' <<<"$help" | sort -u); do
  grep -qF -- "$option" <<<"$manual" || { echo "--help names $option, the manual page does not"; exit 1; }
done
for option in $(sed -n '/^OPTIONS/,/^[A-Z][A-Z ]*$/p' <<<"$manual" | grep -oE -- '^ +--?[a-z][a-z-]*' | tr -d ' ' | sort -u); do
  grep -qF -- "$option" <<<"$help" || { echo "the manual page names $option, --help does not"; exit 1; }
done
version="$(sed -n 's/^#define KORVANE_VERSION "\(.*\)"$/\1/p' "$build/generated/platform/Version.h")"
[ -n "$version" ] && [ "$("$stage/usr/bin/dbf2xml" --version)" = "dbf2xml (Korvane) $version" ]
zcat "$stage/usr/share/man/man1/dbf2xml.1.gz" | grep -qF "\"Korvane $version\""
echo "install check passed"

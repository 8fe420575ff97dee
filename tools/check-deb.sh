#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, starts both programs and removes it
# again, checking that no installed file is left behind. Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
(cd "$build" && rm -f korvane_*.deb && cpack -G DEB >/dev/null)
deb="$(ls "$PWD/$build"/korvane_*.deb)"
files="$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print substr($6, 2)}')"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >/dev/null
version="$(sed -n 's/^#define KORVANE_VERSION "\(.*\)"$/\1/p' "$build/generated/platform/Version.h")"
[ "$(dbf2xml --version)" = "dbf2xml (Korvane) $version" ]
status=0
QT_QPA_PLATFORM=offscreen timeout 3 korvane || status=$?
[ "$status" -eq 124 ] || { echo "korvane did not keep running (status $status)"; exit 1; }
apt-get remove -y -qq korvane >/dev/null
for f in $files; do
  [ ! -e "$f" ] || { echo "left behind: $f"; exit 1; }
done
echo "package check passed: $(basename "$deb")"

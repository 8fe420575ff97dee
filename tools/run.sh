#!/usr/bin/env bash
# Builds Korvane and starts it: the window when a display is available, otherwise a
# demonstration of the command-line companion on the sample table.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only what is started here; the tests and the benchmark are built by the test command.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cmake --build build -j"$(nproc)" --target korvane
  exec build/app/korvane
fi
cmake --build build -j"$(nproc)" --target dbf2xml
mkdir -p build/sample
cp samples/adresy.dbf samples/adresy.dbt build/sample/
build/cli/dbf2xml build/sample/adresy.dbf
echo "No display: the window cannot open here. Converted the sample table with the command line:"
echo "  build/cli/dbf2xml build/sample/adresy.dbf   ->  build/sample/adresy.xml"
echo "Convert your own tables with:  build/cli/dbf2xml TABLE.dbf [-o OUT.xml]   (see --help)"
grep "<row" build/sample/adresy.xml
echo

#!/usr/bin/env bash
# Builds the Windows programs and their tests with mingw-w64 and runs the tests under Wine:
# tools/test-windows.sh [BUILD_DIR [LINUX_BUILD_DIR]] (default build-windows; with a Linux build,
# whose dbf2xml the documents are compared with). GoogleTest is cross-built once
# from the sources Debian's googletest package ships; Wine gets a prefix of its own in the
# build folder and one wineserver for the whole run.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-windows}"
linux_dbf2xml=""
if [ -n "${2:-}" ] && [ -x "$2/cli/dbf2xml" ]; then linux_dbf2xml="$(cd "$2" && pwd)/cli/dbf2xml"; fi
jobs="$(nproc)"
mkdir -p "$build"
build="$(cd "$build" && pwd)"
toolchain="$PWD/cmake/mingw-w64-x86_64.cmake"

if [ ! -f "$build/gtest/lib/libgtest.a" ]; then
  cmake -S /usr/src/googletest -B "$build/gtest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$build/gtest" >/dev/null
  cmake --build "$build/gtest-build" -j"$jobs" >/dev/null
  cmake --install "$build/gtest-build" >/dev/null
fi

prefix="$build/wine"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_FIND_ROOT_PATH="$build/gtest" "-DCMAKE_CROSSCOMPILING_EMULATOR=$PWD/tools/wine-run.sh;$prefix" \
  -DKORVANE_BUILD_APP=ON -DKORVANE_REQUIRE_CORPUS=ON -DKORVANE_LINUX_DBF2XML="$linux_dbf2xml" >/dev/null
cmake --build "$build" -j"$jobs"

# One wineserver for every test process, ended however the tests end.
export WINEPREFIX="$prefix"
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver="$(command -v wineserver)"
tools/wine-run.sh "$prefix" cmd /c exit >/dev/null 2>&1 || true  # creates the prefix
"$wineserver" -p || true  # one already running serves as well
trap '"$wineserver" -k 2>/dev/null || true' EXIT
ctest --test-dir "$build" --output-on-failure --no-tests=error -j"$jobs"

# The package for Windows users, built as the README says, and looked into.
(cd "$build" && cpack -G ZIP >/dev/null)
tests/windows/check_package.sh "$build/korvane-$(sed -n 's/^project(korvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-windows-x64.zip" \
  tools/wine-run.sh "$prefix" "$build/package-check"

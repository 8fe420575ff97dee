#!/usr/bin/env bash
# Builds and runs every test: the normal build, the AddressSanitizer and
# UndefinedBehaviorSanitizer build, the ThreadSanitizer build, and the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs="$(nproc)"

# The sources follow the committed .clang-format (in a source archive without git, every
# source file but those of build folders).
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files '*.cpp' '*.h'
else
  find . \( -path './build*' -o -path './.git' \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print
fi | xargs clang-format --dry-run --Werror
echo "format: 1 passed, 0 failed"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_REQUIRE_CORPUS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"
if [ "$(id -u)" -eq 0 ] && [ -z "${KORVANE_SKIP_DEB_CHECK:-}" ]; then
  tools/check-deb.sh build
fi

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON -DKORVANE_REQUIRE_CORPUS=ON >/dev/null
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure --no-tests=error -j"$jobs"

# ThreadSanitizer over what runs on several threads: the conversions (several at the same time
# among them), the targets, and the command line's runs with -j.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_THREAD_SANITIZE=ON -DKORVANE_REQUIRE_CORPUS=ON \
  -DKORVANE_BUILD_APP=OFF -DKORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target conversion_tests cli_tests
(cd build-tsan && export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 &&
  tests/conversion_tests --gtest_brief=1 && tests/cli_tests --gtest_brief=1)

# The Windows programs, cross-built with mingw-w64, and their tests under Wine.
tools/test-windows.sh build-windows build

# Fuzzing under the sanitizers: the kept findings first, then 60 seconds per target.
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_FUZZ=ON -DKORVANE_BUILD_APP=OFF \
  -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$jobs"
python3 tools/make_fuzz_seeds.py ../shared/corpus samples build-fuzz/seeds
fuzz_seconds="${KORVANE_FUZZ_SECONDS:-60}"
scratch() { (ls -d /dev/shm/korvane-fuzz-* /tmp/korvane-fuzz-* 2>/dev/null || true) | wc -l; }
scratch_before="$(scratch)"
for target in table value; do
  binary=build-fuzz/fuzz/Fuzz$([ "$target" = table ] && echo Table || echo FieldValue)
  mkdir -p "build-fuzz/corpus/$target" "build-fuzz/findings"
  if compgen -G "fuzz/regressions/$target/*" >/dev/null; then "$binary" fuzz/regressions/$target/*; fi
  "$binary" -max_total_time="$fuzz_seconds" -max_len=70000 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/findings/$target-" "build-fuzz/corpus/$target" "build-fuzz/seeds/$target"
done
# The table target must leave no scratch folder behind.
[ "$(scratch)" = "$scratch_before" ] || {
  echo "the table fuzz target left its scratch folder"; exit 1; }
echo "fuzz: 2 passed, 0 failed"

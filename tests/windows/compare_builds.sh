#!/usr/bin/env bash
# The Windows program writes the same documents as the Linux one: every shared table in six
# option sets, and every two-byte sequence of the double-byte code pages, typed and plain (the plain ones with invariant regional settings on both
# systems: the C locale on Linux, KORVANE_REGIONAL=invariant on Windows).
# compare_builds.sh LINUX_DBF2XML WINDOWS_DBF2XML WINE_RUN WINE_PREFIX CORPUS SCRATCH
set -uo pipefail
linux="$1" windows="$2" wine_run="$3" prefix="$4" corpus="$5" scratch="$6"
[ -d "$corpus" ] || { echo "no shared tables in $corpus"; exit 1; }
rm -rf "$scratch" && mkdir -p "$scratch"
passed=0 failed=0
for set in "--typed" "--typed --code-page table" "--typed --code-page 852" "" "--code-page table" "--code-page 852"; do
  name="set${set// /_}"
  # Tables that fail, fail alike; only the documents are compared (messages name paths in
  # each system's form).
  env -i PATH="$PATH" LC_ALL=C "$linux" -q -r $set --output-dir "$scratch/linux/$name" "$corpus" >/dev/null 2>&1
  KORVANE_REGIONAL=invariant "$wine_run" "$prefix" "$windows" -q -r $set --output-dir "$scratch/windows/$name" "$corpus" \
    >/dev/null 2>&1
  count="$(find "$scratch/linux/$name" -name '*.xml' | wc -l)"
  if [ "$count" -gt 50 ] && diff -r "$scratch/linux/$name" "$scratch/windows/$name" >"$scratch/$name.diff"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "option set '$set': $count documents; differences:"
    head -c 2000 "$scratch/$name.diff"
  fi
done
# Every two-byte sequence of the double-byte pages, one a record: Windows decodes the pages'
# user-defined ranges into the Private Use Area and some single bytes that glibc rejects, and
# both builds must still read each sequence alike.
PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$(dirname "$0")" python3 - "$scratch" <<'PY'
import sys
from dbf_table import write
for page in (932, 936, 949, 950):
    write(f'{sys.argv[1]}/cp{page}.dbf', 2, (bytes([i >> 8, i & 255]) for i in range(65536)))
PY
for page in 932 936 949 950; do
  env -i PATH="$PATH" LC_ALL=C "$linux" -q --code-page "$page" -o "$scratch/linux-$page.xml" "$scratch/cp$page.dbf"
  "$wine_run" "$prefix" "$windows" -q --code-page "$page" -o "$scratch/windows-$page.xml" "$scratch/cp$page.dbf"
  if [ -s "$scratch/linux-$page.xml" ] && cmp -s "$scratch/linux-$page.xml" "$scratch/windows-$page.xml"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "code page $page: the documents of every two-byte sequence differ"
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Ctrl-C as Wine delivers it: SIGINT to the Wine process becomes the console's Ctrl-C event,
# and the run ends with status 130, leaving the document it streamed unfinished.
# interrupt.sh WINDOWS_DBF2XML WINE_RUN WINE_PREFIX SCRATCH
set -uo pipefail
program="$1" wine_run="$2" prefix="$3" scratch="$4"
rm -rf "$scratch" && mkdir -p "$scratch"
# A program of its own name, so that the signal reaches no other test's.
cp "$program" "$scratch/interrupt-me.exe"
PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$(dirname "$0")" python3 -c 'import sys, dbf_table; dbf_table.write(sys.argv[1], 200, [b"x" * 200] * 400000)' \
  "$scratch/big.dbf"
# The reader waits before it reads, so the program is still writing when the signal comes.
("$wine_run" "$prefix" "$scratch/interrupt-me.exe" -q -o - "$scratch/big.dbf" 2>"$scratch/err" |
  (sleep 4; cat >"$scratch/out"); echo "${PIPESTATUS[0]}" >"$scratch/status") &
# Once Wine has started the program it names the process after it (no "wine64" in front).
running='^[^ ]*interrupt-me\.exe'
for _ in $(seq 200); do pgrep -f "$running" >/dev/null && break; sleep 0.1; done
sleep 1
pkill -INT -f "$running"
wait
status="$(cat "$scratch/status")"
if [ "$status" = 130 ] && ! grep -q '</table>' "$scratch/out"; then
  echo "1 passed, 0 failed"
  rm -rf "$scratch"
else
  echo "status $status (130 expected); the document $(grep -q '</table>' "$scratch/out" && echo ended || echo 'did not end')"
  cat "$scratch/err"
  echo "0 passed, 1 failed"
  exit 1
fi

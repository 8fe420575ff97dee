#!/usr/bin/env bash
# Messages on a terminal: the program on a pseudo-terminal (script), where Wine gives it a
# console; what it writes in UTF-16 reaches the terminal as UTF-8, Czech letters whole.
# terminal.sh WINDOWS_DBF2XML WINE_RUN WINE_PREFIX SCRATCH
set -uo pipefail
program="$1" wine_run="$2" prefix="$3" scratch="$4"
rm -rf "$scratch" && mkdir -p "$scratch/Účty"
PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$(dirname "$0")" python3 -c 'import sys, dbf_table; dbf_table.write(sys.argv[1], 2, [b"ab", b"cd"])' \
  "$scratch/Účty/žluťoučký kůň.dbf"
cd "$scratch"
# The shell that script starts reads the words from the environment, whatever its quoting.
export KORVANE_WINE_RUN="$wine_run" KORVANE_PREFIX="$prefix" KORVANE_PROGRAM="$program" KORVANE_TABLE='Účty/žluťoučký kůň.dbf'
script -qec '"$KORVANE_WINE_RUN" "$KORVANE_PREFIX" "$KORVANE_PROGRAM" "$KORVANE_TABLE"' /dev/null </dev/null >screen 2>&1
# The console draws as it likes (escape sequences, lines wrapped at its width): the name and
# the summary are looked for with those taken out.
python3 - screen <<'PY'
import re, sys
text = open(sys.argv[1], 'rb').read().decode('utf-8', 'replace')
text = re.sub(r'\x1b\[([0-9]*)C', lambda m: ' ' * int(m.group(1) or 1), text)
text = re.sub(r'\x1b\[[0-9;?]*[A-Za-z]', '', text).replace('\r', '').replace('\n', '')
ok = 'Účty\\žluťoučký kůň.xml: 2 rows' in text
print('1 passed, 0 failed' if ok else f'0 passed, 1 failed: {text!r}')
sys.exit(0 if ok else 1)
PY

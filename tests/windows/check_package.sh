#!/usr/bin/env bash
# The Windows package: the four files in one folder, programs that need no DLL of ours, and a
# command line that runs from where it was unpacked. check_package.sh ZIP WINE_RUN WINE_PREFIX SCRATCH
set -euo pipefail
zip="$1" wine_run="$2" prefix="$3" scratch="$4"
rm -rf "$scratch" && mkdir -p "$scratch"
python3 - "$zip" "$scratch" <<'PY'
import sys, zipfile
names = sorted(zipfile.ZipFile(sys.argv[1]).namelist())
top = names[0].split('/')[0]
expected = sorted(f'{top}/{n}' for n in ('README.md', 'dbf2xml.exe', 'dbf2xml.txt', 'korvane.exe'))
if names != expected or not top.endswith('-windows-x64'):
    sys.exit(f'the package holds {names}')
zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])
PY
program="$(ls "$scratch"/*/dbf2xml.exe)"
# Only the system's own libraries.
for exe in "$program" "$(ls "$scratch"/*/korvane.exe)"; do
  dlls="$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')"
  for dll in $dlls; do
    case "$dll" in
      kernel32.dll | msvcrt.dll | shell32.dll | advapi32.dll | user32.dll | gdi32.dll | comctl32.dll | ole32.dll) ;;
      *) echo "$(basename "$exe") needs $dll"; exit 1 ;;
    esac
  done
done
"$wine_run" "$prefix" "$program" --help | grep -q '^Usage: dbf2xml'
grep -q 'dbf2xml' "$(ls "$scratch"/*/dbf2xml.txt)"
rm -rf "$scratch"
echo "1 passed, 0 failed"

#!/usr/bin/env bash
# Installs the setup program silently in a Wine prefix of its own, checks what it put in place,
# uninstalls silently and checks that all of it is gone:
# check_setup.sh SETUP WINE_RUN PREFIX
set -euo pipefail
setup="$1" wine_run="$2" prefix="$3"
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver="$(command -v wineserver)"
export WINEPREFIX="$prefix"
trap '"$wineserver" -k 2>/dev/null || true' EXIT
rm -rf "$prefix"
mkdir -p "$prefix"
wine() { "$wine_run" "$prefix" "$@"; }
fail() { echo "setup: $*" >&2; exit 1; }
programs="$prefix/drive_c/Program Files/Korvane"
shortcut="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Korvane.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane'
# A program the user chose for .dbf files keeps that place.
wine reg add 'HKLM\Software\Classes\.dbf' /ve /d Other.dbf /f >/dev/null 2>&1
query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }

wine "$setup" /S
"$wineserver" -w
for f in korvane.exe dbf2xml.exe README.md dbf2xml.txt uninstall.exe; do
  [ -f "$programs/$f" ] || fail "$f is not installed"
done
[ -f "$shortcut" ] || fail "no Start menu entry"
query "$uninstall_key" /v DisplayName | grep -q "Korvane" || fail "no entry in the installed programs"
query "$uninstall_key" /v UninstallString | grep -qF 'C:\Program Files\Korvane\uninstall.exe' || fail "no uninstaller in the entry"
query 'HKLM\Software\Classes\.dbf\OpenWithProgids' /v Korvane.dbf >/dev/null || fail "not offered for .dbf files"
query 'HKLM\Software\Classes\Korvane.dbf\shell\open\command' /ve | grep -qF '"C:\Program Files\Korvane\korvane.exe" "%1"' ||
  fail "no open command"
query 'HKLM\Software\Classes\Applications\korvane.exe\shell\open\command' /ve | grep -qF 'korvane.exe" "%1"' ||
  fail "not in the Open with list"
query 'HKLM\Software\Classes\.dbf' /ve | grep -q "Other.dbf" || fail "the default program for .dbf files was taken"
wine "C:\\Program Files\\Korvane\\dbf2xml.exe" --version | grep -q "dbf2xml" || fail "the installed dbf2xml does not run"

wine "C:\\Program Files\\Korvane\\uninstall.exe" /S
"$wineserver" -w  # the uninstaller goes on from a copy of itself and ends later
[ ! -e "$programs" ] || fail "the program folder is left: $(ls "$programs")"
[ ! -e "$shortcut" ] || fail "the Start menu entry is left"
query "$uninstall_key" >/dev/null && fail "the installed programs' entry is left"
query 'HKLM\Software\Classes\Korvane.dbf' >/dev/null && fail "the program's file type is left"
query 'HKLM\Software\Classes\Applications\korvane.exe' >/dev/null && fail "the Open with entry is left"
query 'HKLM\Software\Classes\.dbf\OpenWithProgids' /v Korvane.dbf >/dev/null && fail "the .dbf offer is left"
query 'HKLM\Software\Classes\.dbf' /ve | grep -q "Other.dbf" || fail "the default program for .dbf files was lost"
echo "setup: installed and uninstalled"

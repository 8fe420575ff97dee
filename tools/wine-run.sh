#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]. The prefix is
# the build's own, created on first use; Wine shows no dialogs and says nothing of its own.
set -euo pipefail
export WINEPREFIX="$1"
shift
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
# Wine names Unix files in the locale's character set: in UTF-8, whatever the caller's locale
# (in the C locale no Czech name could be made).
export LC_ALL=C.UTF-8
exec "$(dirname "$0")/wine-program.sh" "$@"

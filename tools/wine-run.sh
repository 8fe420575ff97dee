#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]. The prefix is
# the build's own, created on first use; Wine shows no dialogs and says nothing of its own.
set -euo pipefail
export WINEPREFIX="$1"
shift
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
exec "$(dirname "$0")/wine-program.sh" "$@"

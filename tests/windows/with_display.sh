#!/usr/bin/env bash
# Runs a Windows program under Wine on a virtual X display of its own (Xvfb), in a Wine prefix
# of its own, so that windows and changed screen settings meet no other test:
# with_display.sh WINE_RUN PREFIX PROGRAM [ARGUMENTS...]
set -euo pipefail
wine_run="$1" prefix="$2"
shift 2
displays="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$displays" 2>/dev/null &
xvfb=$!
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver="$(command -v wineserver)"
cleanup() {
  WINEPREFIX="$prefix" "$wineserver" -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -f "$displays"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -s "$displays" ] && break
  sleep 0.1
done
[ -s "$displays" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$displays")"
# Wine draws the windows' frames and captions itself: the display has no window manager.
mkdir -p "$prefix"
"$wine_run" "$prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
"$wine_run" "$prefix" "$@"

#!/usr/bin/env bash
# Debian's wine64 package puts its program in Wine's library folder, not on the PATH.
for wine in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
  [ -n "$wine" ] && [ -x "$wine" ] && exec "$wine" "$@"
done
echo "wine-program.sh: Wine is not installed" >&2
exit 127

#!/usr/bin/env bash
# Includes point down only: app and cli above conversion above dbf above fields above platform.
# Qt stays in app/; the Windows API stays in the platform layer's Windows files and app/.
set -euo pipefail
cd "$1"
grep -rHn -E '^#include ("[a-z]+/|<Q|<windows\.h>|<[a-z]+api\.h>)' platform fields dbf conversion cli app |
  awk -F: '
    BEGIN { rank["platform"] = 0; rank["fields"] = 1; rank["dbf"] = 2; rank["conversion"] = 3; rank["cli"] = 4; rank["app"] = 4 }
    {
      split($1, path, "/"); layer = path[1]; text = $0; sub(/^[^:]*:[^:]*:/, "", text)
      if (text ~ /^#include <(windows\.h|[a-z]+api\.h)>/) {
        if (layer != "app" && $1 !~ /^platform\/windows\//) { print $1 ":" $2 ": the Windows API outside platform/windows/: " text; bad = 1 }
        next
      }
      if (text ~ /^#include </) {
        if (layer != "app") { print $1 ":" $2 ": Qt outside app/: " text; bad = 1 }
        next
      }
      match(text, /"[a-z]+\//); dir = substr(text, RSTART + 1, RLENGTH - 2)
      if (dir != layer && (!(dir in rank) || rank[dir] >= rank[layer])) { print $1 ":" $2 ": " layer " includes " dir ": " text; bad = 1 }
    }
    END { if (bad) exit 1; print "layers: 1 passed, 0 failed" }'

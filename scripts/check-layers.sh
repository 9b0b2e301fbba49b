#!/usr/bin/env bash
# Checks that the source folders depend on each other one way only:
#   app -> ui, platform, control;  control -> import, export;
#   import, export -> exchange, handheld;  handheld -> link;
#   exchange, link, platform, ui -> support.
# The core (every folder but ui, platform and app) includes no Qt at all.
set -euo pipefail
cd "$(dirname "$0")/../src"

declare -A allowed=(
  [support]="support"
  [link]="link support"
  [exchange]="exchange support"
  [handheld]="handheld link support"
  [import]="import exchange handheld support"
  [export]="export exchange handheld support"
  [control]="control import export exchange handheld support"
  [platform]="platform support"
  [ui]="ui support"
  [app]="app ui platform control import export exchange handheld link support"
)
core="support link exchange handheld import export control"

status=0
for layer in "${!allowed[@]}"; do
  [ -d "$layer" ] || continue
  while IFS=: read -r file _ include; do
    target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$include")
    [ "$target" = "$include" ] && continue  # a header beside the file or a generated one
    if [[ " ${allowed[$layer]} " != *" $target "* ]]; then
      echo "$file: $layer must not include $target: $include"
      status=1
    fi
  done < <(grep -Hn '#include "[^"]*/' "$layer"/*.h "$layer"/*.cpp 2>/dev/null || true)
  if [[ " $core " == *" $layer "* ]] && grep -Hn '#include <Q' "$layer"/*.h "$layer"/*.cpp 2>/dev/null; then
    echo "$layer belongs to the core and must not include Qt"
    status=1
  fi
done
[ $status -eq 0 ] && echo "layers: every include runs one way"
exit $status

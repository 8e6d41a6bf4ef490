#!/usr/bin/env bash
# The folders of src/ are layers, listed here from the bottom: a file may
# include its own folder and the folders below it, never one above. Prints
# every include that breaks this and fails; prints the folder graph with -g.
set -euo pipefail
cd "$(dirname "$0")/../src"
layers=(platform world player save screens render tool app)
rank() {
  local i
  for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && echo "$i" && return; done
  echo -1
}
edges=$(grep -rHo '#include "[a-z]*/' --include='*.h' --include='*.cpp' . |
  sed -E 's#^\./([a-z]+)/[^:]*:\#include "([a-z]+)/#\1 \2#' | sort -u)
if [ "${1:-}" = "-g" ]; then
  echo "$edges" | awk '$1 != $2 { print $1 " -> " $2 }'
  exit 0
fi
bad=0
# Layers that may include each other at all (tool and render are side by side).
while read -r from to; do
  [ "$from" = "$to" ] && continue
  f=$(rank "$from") t=$(rank "$to")
  if [ "$f" -lt 0 ] || [ "$t" -lt 0 ] || [ "$t" -gt "$f" ] || { [ "$from" = tool ] && [ "$to" = render ]; }; then
    echo "src/$from includes src/$to, a layer above it or beside it:" >&2
    grep -rln "#include \"$to/" "$from" | sed 's#^#  src/#' >&2
    bad=1
  fi
done <<<"$edges"
[ "$bad" = 0 ] && echo "Layers: every include goes down."
exit "$bad"

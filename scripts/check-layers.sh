#!/usr/bin/env bash
# Fails on any include in src/ that reaches a higher layer, or that is not written from src/, naming the
# file and line. Layers, lowest first: raster, game, app, then hosts and tools side by side.
# Usage: scripts/check-layers.sh [SRC_DIR]
set -uo pipefail
src=${1:-$(dirname "$0")/../src}
declare -A level=([raster]=1 [game]=2 [app]=3 [hosts]=4 [tools]=4)
bad=0
while IFS=: read -r file line text; do
  from=${file#"$src"/}
  from=${from%%/*}
  target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"$text")
  to=${target%%/*}
  if [[ "$target" != */* || -z "${level[$to]:-}" ]]; then
    echo "$file:$line: include \"$target\" is not written from the source root"
    bad=1
  elif [[ "$to" != "$from" ]] && (( level[$to] >= level[$from] )); then
    echo "$file:$line: $from may not include $to (\"$target\")"
    bad=1
  fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$src" --include='*.cpp' --include='*.hpp' --include='*.h')
if (( bad )); then exit 1; fi
echo "layers: every include in $src reaches its own layer or one below"

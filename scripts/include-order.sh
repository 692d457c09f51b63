#!/usr/bin/env bash
# Prints which folder includes which (from the #include lines of every source and header) and
# fails on an include against the layer order, lowest first:
#   formats <- platform <- session <- core <- records <- sound <- game <- gfx <- flow <- app
# A folder may include only the folders to its left. tools/, tests/, fuzz/ and bench/ stand
# outside the order. Usage: scripts/include-order.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
order=(formats platform session core records sound game gfx flow app)
rank() { local i; for i in "${!order[@]}"; do [ "${order[$i]}" = "$1" ] && echo "$i" && return; done; echo -1; }

bad=0
edges=$(for folder in "${order[@]}"; do
    [ -d "$folder" ] || continue
    grep -rhoE '^#include "[a-z_]+/' "$folder" --include='*.cpp' --include='*.h' |
        sed -E 's/#include "([a-z_]+)\//\1/' | sort -u | sed "s|^|$folder |"
done)
while read -r from to; do
    [ -n "$from" ] || continue
    [ "$from" = "$to" ] && continue
    if [ "$(rank "$to")" -lt 0 ] || [ "$(rank "$to")" -gt "$(rank "$from")" ]; then
        echo "$from -> $to   AGAINST THE ORDER:"
        grep -rnE "^#include \"$to/" "$from" --include='*.cpp' --include='*.h' | sed 's/^/    /'
        bad=1
    else
        echo "$from -> $to"
    fi
done <<< "$edges"
[ $bad = 0 ] && echo "every folder includes only the folders below it"
exit $bad

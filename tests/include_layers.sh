#!/usr/bin/env bash
# The layers of src/, lowest first: a folder's files include only their own
# folder and folders of a lower layer, so that calls run downward only.
set -uo pipefail
src=${1:-$(dirname "$0")/../src}
declare -A rank=([platform]=0 [log]=1 [link]=2 [chips]=2 [images]=3 [sim]=3 [icsp]=4 [files]=5
                 [config_dialog]=5 [operations]=6 [production]=7 [cli]=8 [app]=8)
bad=0
while IFS= read -r file; do
  from=${file#"$src"/}
  from=${from%%/*}
  [ -n "${rank[$from]+x}" ] || { echo "$file: folder $from has no layer"; bad=1; continue; }
  while IFS= read -r to; do
    [ "$to" = "$from" ] && continue
    [ -n "${rank[$to]+x}" ] || continue
    if [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
      echo "$file includes $to/: $from may include only lower layers"
      bad=1
    fi
  done < <(sed -n 's|^#include "\([a-z_]*\)/.*|\1|p' "$file" | sort -u)
done < <(find "$src" -name '*.h' -o -name '*.cpp')
[ "$bad" = 0 ] && echo "every include runs down the layers"
exit "$bad"

#!/usr/bin/env bash
# The layer check itself: on a scratch tree, an include that runs up a layer
# fails it and one that runs down passes, the production room sitting above
# the operations on one chip and below the window and the terminal.
set -uo pipefail
check=$(dirname "$0")/include_layers.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bad=0
# folder of the including file, the include, 0 = passes / 1 = fails
while read -r from include want; do
  rm -rf "$work/src"
  mkdir -p "$work/src/$from"
  printf '#include "%s"\n' "$include" >"$work/src/$from/a.cpp"
  bash "$check" "$work/src" >/dev/null
  got=$?
  if [ "$got" != "$want" ]; then
    echo "$from/a.cpp including $include: status $got, wanted $want"
    bad=1
  fi
done <<'CASES'
production production/station.h 0
production operations/device_operations.h 0
production log/log.h 0
cli production/station.h 0
app production/production.h 0
operations production/production.h 1
log production/production_record.h 1
icsp production/serial_numbers.h 1
production cli/session.h 1
production app/main_form.h 1
workshop operations/selection.h 1
CASES
[ "$bad" = 0 ] && echo "the layer check passes what runs down and fails what runs up"
exit "$bad"

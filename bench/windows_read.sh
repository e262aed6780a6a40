#!/usr/bin/env bash
# The read of a PIC16F630's program memory by flashwright-cli.exe under Wine
# against the native flashwright-cli, each on a fresh flashwright-sim: the
# seconds of each and their ratio.
#   windows_read.sh WINDOWS_BUILD HOST_BUILD
set -uo pipefail
win=$1
host=$2
work=$(mktemp -d)
export WINEPREFIX=${WINEPREFIX:-$work/prefix} WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
wineserver -p >/dev/null 2>&1
# A fresh simulator whose terminal is also COM9; its path in $pty.
fresh() {
  : >"$work/sim.out"
  "$host/src/flashwright-sim" --chip PIC16F630 >"$work/sim.out" 2>/dev/null &
  sim=$!
  until [ -s "$work/sim.out" ]; do sleep 0.05; done
  pty=$(head -n 1 "$work/sim.out")
  ln -sfn "$pty" "$WINEPREFIX/dosdevices/com9"
}
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
fresh
native=$(seconds "$host/src/flashwright-cli" read --port "$pty" --chip PIC16F630 --section program --output "$work/n.hex")
kill "$sim"; wait "$sim" 2>/dev/null
fresh
wine=$(seconds wine "$win/src/flashwright-cli.exe" read --port COM9 --chip PIC16F630 --section program \
  --output 'Z:'"$(echo "$work/w.hex" | tr / '\\')")
kill "$sim"; wait "$sim" 2>/dev/null
cmp -s "$work/n.hex" "$work/w.hex" && same="the same file" || same="DIFFERENT files"
printf 'PIC16F630 program read: native %.2f s, Wine %.2f s, ratio %.3f (%s)\n' "$native" "$wine" \
  "$(echo "$wine / $native" | bc -l)" "$same"

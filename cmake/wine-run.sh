#!/usr/bin/env bash
# Runs a cross-built test program under Wine for CTest. Now and then Wine
# fails to start a process at all when many start at once (the program
# prints nothing and fails within milliseconds); that says nothing of the
# program, so such a start is tried again, up to three times in all. A
# program that ran and printed anything keeps its own status: a failing
# test fails on its first run.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for try in 1 2 3; do
  wine "$@" >"$out" 2>&1
  status=$?
  if [ "$status" -eq 0 ] || [ -s "$out" ]; then
    cat "$out"
    exit "$status"
  fi
  echo "wine-run: $1 printed nothing and ended with status $status (start $try of 3)" >&2
  sleep 1
done
exit "$status"

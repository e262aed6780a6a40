# What the tests under Wine share: a work folder and a Wine prefix of their
# own, the processes they started ended and the prefix's server stopped at
# exit, and a count of the checks that failed. Sourced, not run.
work=$(mktemp -d)
export WINEPREFIX=${WINEPREFIX:-$work/prefix}
export WINEDEBUG=-all
failures=0
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
check() {  # check WHAT COMMAND...: passes when the command succeeds
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else fail "$what"; fi
}

if [ ! -d "$WINEPREFIX/dosdevices" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

# The word at byte address ADDRESS (below 64 KiB) of an Intel HEX file, in
# hex.
word_at() {
  local file=$1 address=$(($2)) line count base i
  while IFS= read -r line; do
    line=${line%$'\r'}
    [ "${line:7:2}" = 00 ] || continue
    count=$((16#${line:1:2}))
    base=$((16#${line:3:4}))
    if [ "$address" -ge "$base" ] && [ "$address" -lt $((base + count)) ]; then
      i=$((9 + 2 * (address - base)))
      echo "${line:$((i + 2)):2}${line:$i:2}"
      return
    fi
  done <"$file"
}

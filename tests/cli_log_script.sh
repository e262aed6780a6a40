#!/usr/bin/env bash
# A fixed script of flashwright-cli commands on the built-in simulated
# gateways, printed with each command's exit status. The times of day are
# masked: everything else is the log as the operator reads it, so that a
# change which moves code around must leave this output byte for byte as
# it was (compare with tests/data/cli_log.golden).
#   cli_log_script.sh BUILD_DIR           print the output
#   cli_log_script.sh BUILD_DIR GOLDEN    compare with GOLDEN, show the diff
set -uo pipefail
build=$1
golden=${2:-}
cli=$build/src/flashwright-cli

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data
export HOME=$work

# One Intel HEX data record: byte address, then the data bytes in hex.
record() {
  local address=$1
  shift
  local count=$# sum line
  line=$(printf '%02X%04X00' "$count" "$address")
  sum=$((count + (address >> 8) + (address & 0xFF)))
  for b in "$@"; do
    line+=$b
    sum=$((sum + 16#$b))
  done
  printf ':%s%02X\n' "$line" $(((256 - (sum & 0xFF)) & 0xFF))
}
extended() { printf ':02000004%04X%02X\n' "$1" $(((256 - ((2 + 4 + ($1 >> 8) + ($1 & 0xFF)) & 0xFF)) & 0xFF)); }
end() { echo ':00000001FF'; }

# A PIC12F629 program (a few words), its configuration word 0x2007 = 0x3FC4.
{
  extended 0
  record 0x0000 83 16 90 30 99 00 83 12
  record 0x0010 FF 23 08 00
  record 0x400E C4 3F
  end
} >"$work/f629.hex"
# A PIC16F684 program, configuration word 0x30C4 and EEPROM bytes.
{
  extended 0
  record 0x0000 01 30 A0 00 02 30 A1 00
  record 0x400E C4 30
  record 0x4200 11 00 22 00 33 00 44 00
  end
} >"$work/f684.hex"
# The same with one program word changed: a verify finds it.
sed 's/^:080000000130A0000230A100.*$/:080000000130A0000330A10061/' "$work/f684.hex" >"$work/f684-other.hex"
# A PIC16F1827 program with both configuration words and the user IDs.
{
  extended 0
  record 0x0000 80 31 0A 00 FF 3F 00 00
  extended 1
  record 0x0000 01 00 02 00 03 00 04 00
  record 0x000E E4 3F FF 1E
  end
} >"$work/f1827.hex"
# A file with bytes beyond the chip.
{
  extended 0
  record 0x0000 01 00
  record 0x3000 01 00
  end
} >"$work/beyond.hex"
# Raw EEPROM bytes.
printf '\x01\x02\x03\x04' >"$work/data.bin"

sorted=0
mask() {
  sed -E -e 's/(Start|End) time: [0-9]+:[0-9]+:[0-9]+/\1 time: T/' \
    -e "s#$work#WORK#g" \
    -e 's/"time":"[^"]*"/"time":"T"/g' -e 's/"host":"[^"]*"/"host":"H"/g' \
    -e 's/ [0-9]+\.[0-9]+$/ S/' -e 's/[0-9]{4}-[0-9]{2}-[0-9]{2}/DATE/g' \
    -e 's/-[0-9]{8}T[0-9]{6}Z-[0-9]+\.kept/-STAMP.kept/g'
}

run() {
  echo "\$ flashwright-cli $*" | mask
  "$cli" "$@" >"$work/out" 2>"$work/err" </dev/null
  local status=$?
  if [ "$sorted" = 1 ]; then
    # Several ports at once interleave their lines: each port's in order.
    mask <"$work/out" | LC_ALL=C sort -s -t']' -k1,1
  else
    mask <"$work/out"
  fi
  mask <"$work/err" | sed 's/^/stderr: /'
  echo "exit $status"
}

script() {
  run chips --csv
  run detect --port demo:PIC16F630
  run detect --port demo:PIC16F1827
  run read --port demo:PIC16F684 --chip PIC16F684 --output "$work/r684.hex"
  cat "$work/r684.hex" | head -4
  run read --port demo:PIC12F629 --chip pic12f629 --section config --output "$work/r629.hex"
  run read --port demo:PIC16F1827 --chip auto --section data --output "$work/r1827.bin"
  run write --port demo:PIC12F629 --chip PIC12F629 --yes "$work/f629.hex"
  run write --port demo:PIC12F629 --chip PIC12F629 --yes --erase "$work/f629.hex"
  run write --port demo:PIC12F629 --chip PIC12F629 --yes --no-keep-calibration --quiet "$work/f629.hex"
  run write --port demo:PIC12F629 --chip PIC12F629 --yes --osccal 0x3480 --bg 10 "$work/f629.hex"
  run write --port demo:PIC12F629 --chip PIC12F629 --yes --osccal 0x3480 --bg 10 --replace-calibration --quiet \
    "$work/f629.hex"
  run calibration --port demo:PIC12F629 --chip PIC12F629
  run write --port demo:PIC16F684 --chip PIC16F684 --yes --entire-config "$work/f684.hex"
  run write --port demo:PIC16F684 --chip auto --yes --no-verify "$work/f684.hex"
  run write --port demo:PIC16F1827 --chip PIC16F1827 --yes --erase "$work/f1827.hex"
  run write --port demo:PIC16F684 --chip PIC16F684 --yes --serial 0x10:2 --serial-at eeprom:0x10:2 \
    --record "$work/record.jsonl" "$work/f684.hex"
  run write --port demo:PIC16F684 --chip PIC16F684 --yes --preserve-eeprom --preserve-ids \
    --preserve-range 0x0100-0x0103 --erase "$work/f684.hex"
  run write --port demo:PIC16F684 --chip PIC16F684 --yes "$work/beyond.hex"
  run write --port demo:PIC16F684 --chip PIC16F684 --yes --force "$work/beyond.hex"
  run write-data --port demo:PIC16F684 --chip PIC16F684 --yes "$work/data.bin"
  run verify --port demo:PIC16F684 --chip PIC16F684 "$work/f684-other.hex"
  run verify --port demo:PIC16F684 --chip PIC16F684 --section data "$work/f684.hex"
  run erase --port demo:PIC12F629 --chip PIC12F629 --yes
  run erase --port demo:PIC16F1827 --chip PIC16F1827 --yes
  run blank-check --port demo:PIC16F630 --chip PIC16F630
  run calibration --port demo:PIC16F676 --chip PIC16F676
  run calibration --port demo:PIC16F684 --chip PIC16F684
  run calibration --port demo:PIC16F630 --chip PIC16F630 --yes --restore --osccal 0x3490 --bg 01
  run calibration --port demo:PIC16F630 --chip PIC16F630 --yes --restore last
  run erase --port demo:PIC16F627A --chip PIC16F627A --yes
  run read --port demo:PIC16F887 --chip PIC16F684 --output "$work/wrong.hex"
  run checksum --chip PIC12F629 "$work/f629.hex"
  run checksum --chip PIC16F1827 --quiet "$work/f1827.hex"
  run checksum --chip PIC16F684 "$work/beyond.hex"
  run report "$work/record.jsonl"
  sorted=1
  run write --port demo:PIC12F629 --port demo:PIC12F675 --chip auto --yes "$work/f629.hex"
  sorted=0
  # Usage errors: exit 2 and the cause.
  run
  run frobnicate
  run read --port demo:PIC16F684 --chip PIC16F684
  run read --port demo:PIC16F684 --chip PIC16F999 --output x.hex
  run write --port demo:PIC16F684 --chip PIC16F684 --bogus x.hex
  run write --port demo:PIC16F684 --chip PIC16F684 --delay 9 x.hex
  run erase --port demo:PIC12F629 --chip PIC12F629 --osccal 0x3480
  run erase --port demo:PIC12F629 --chip PIC12F629 --osccal 0x3480 --bg 10 --no-keep-calibration
  run calibration --port demo:PIC12F629 --chip PIC12F629 --restore last --no-keep-calibration
  run erase --port demo:PIC12F629 --chip PIC12F629 --replace-calibration
  run calibration --port demo:PIC12F629 --chip PIC12F629 --restore
  run checksum "$work/f629.hex"
  run detect --port demo:PIC16F630 --chip PIC16F630
  run write --port demo:PIC16F684 --port demo:PIC16F630 --chip auto "$work/f684.hex"
  run write --port demo:PIC16F684 --chip PIC16F684 --serial 5 "$work/f684.hex"
  run verify --port demo:PIC16F684 --chip PIC16F684 --section config "$work/f684.hex"
}

if [ -z "$golden" ]; then
  script
  exit 0
fi
script >"$work/now.txt"
if diff -u "$golden" "$work/now.txt"; then
  echo "the log of every command is as it was"
  exit 0
fi
exit 1

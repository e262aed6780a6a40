#!/usr/bin/env bash
# flashwright-cli.exe under Wine against the real flashwright-sim on a
# pseudo-terminal, linked into a private Wine prefix as a COM port: detect,
# a write that keeps a PIC12F629's calibration, verify, a read to a Windows
# path in another script, erase, Ctrl+C during a write, and the port
# vanishing mid-read. The log lines are compared with the Linux tool's on
# the same script, word for word but for paths and port names.
#   windows_e2e.sh WINDOWS_BUILD HOST_BUILD
set -uo pipefail
win=$1
host=$2
exe=$win/src/flashwright-cli.exe
sim=$host/src/flashwright-sim
cli=$host/src/flashwright-cli

source "$(dirname "$0")/wine_test_common.sh"

# One Wine server for the whole test, its output kept out of the logs: it
# opens the COM ports' terminals for the tool, and tells of a terminal that
# hangs up on standard error.
wineserver -p >/dev/null 2>&1
# The prefix's services start now, with nowhere to write: started by the
# first command of the test, they would hold its output pipe open.
wine wineboot >/dev/null 2>&1 </dev/null
# Wine's own data folder of the prefix's user, where the record goes.
appdata=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local 2>/dev/null | head -n 1)

# Starts flashwright-sim for CHIP dumping to DUMP; its terminal becomes the
# prefix's COM port N. Sets SIM_PID and PTY.
start_sim() {
  local chip=$1 dump=$2 n=$3
  "$sim" --chip "$chip" --dump "$dump" >"$work/sim$n.out" 2>"$work/sim$n.err" &
  SIM_PID=$!
  pids+=("$SIM_PID")
  for _ in $(seq 50); do
    PTY=$(head -n 1 "$work/sim$n.out" 2>/dev/null)
    [ -n "$PTY" ] && break
    sleep 0.1
  done
  ln -sfn "$PTY" "$WINEPREFIX/dosdevices/com$n"
}
stop_sim() {  # the simulator writes its dump on SIGTERM
  kill -TERM "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}


# The words of a log but for paths, port names, times and the data folder.
normalise() {
  sed -E -e 's/(Start|End) time: [0-9:]+/\1 time: T/' \
    -e 's#\\\\\.\\COM[0-9]+|/dev/pts/[0-9]+#PORT#g' \
    -e 's#recorded in .*calibration\.log#recorded in RECORD#' \
    -e 's#(from|to) file: .*#\1 file: FILE#'
}

# One Intel HEX image: a few program words and configuration word 0x3FC4.
{
  echo ':020000040000FA'
  echo ':08000000831690309900831271'
  echo ':02400E00C43FAD'
  echo ':00000001FF'
} >"$work/f629.hex"
cp "$work/f629.hex" "$work/prog é.hex"
winfile='Z:'$(echo "$work/prog é.hex" | tr / '\\')
winout='Z:'$(echo "$work/сохранено.hex" | tr / '\\')

# --- The script on Windows, COM5.
start_sim PIC12F629 "$work/win.dump" 5
winsim=$SIM_PID
run_win() { wine "$exe" "$@" 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }
{
  run_win detect --port COM5; echo "exit $?"
  run_win write --port com5 --chip PIC12F629 --yes "$winfile"; echo "exit $?"
  run_win verify --port '\\.\COM5' --chip PIC12F629 "$winfile"; echo "exit $?"
  run_win read --port COM5 --chip PIC12F629 --output "$winout"; echo "exit $?"
} >"$work/win.log"
check "the read reached a file named in Cyrillic" test -s "$work/сохранено.hex"
stop_sim "$winsim"
# What the chip holds after the write: the file's words, its own OSCCAL (the
# simulator's 34A8) and band-gap bits (10) untouched.
check "the write kept OSCCAL 34A8 at 0x3FF" test "$(word_at "$work/win.dump" 0x7FE)" = 34A8
config=$(word_at "$work/win.dump" 0x400E)
check "the write kept the band-gap bits 10 over the file's 11 (0x2007 = $config)" \
  test $(((16#$config >> 12) & 3)) = 2

# --- The same script on Linux, on a fresh simulator.
start_sim PIC12F629 "$work/linux.dump" 6
linsim=$SIM_PID
run_lin() { XDG_DATA_HOME=$work/linux-data "$cli" "$@" 2>&1; }
{
  run_lin detect --port "$PTY"; echo "exit $?"
  run_lin write --port "$PTY" --chip PIC12F629 --yes "$work/prog é.hex"; echo "exit $?"
  run_lin verify --port "$PTY" --chip PIC12F629 "$work/prog é.hex"; echo "exit $?"
  run_lin read --port "$PTY" --chip PIC12F629 --output "$work/linux-read.hex"; echo "exit $?"
} >"$work/linux.log"
stop_sim "$linsim"
if diff <(normalise <"$work/linux.log") <(normalise <"$work/win.log") >"$work/diff"; then
  echo "ok: the Windows tool's log is the Linux tool's, word for word"
else
  fail "the logs differ"
  cat "$work/diff"
fi
check "the two chips hold the same" cmp -s "$work/win.dump" "$work/linux.dump"
check "the calibration record is in %LOCALAPPDATA%\\Flashwright" test -s "$appdata/Flashwright/calibration.log"

# --- Erase, then Ctrl+C during a write: Wine turns SIGINT into CTRL_C_EVENT
# for the console's handler.
start_sim PIC12F629 "$work/stop.dump" 7
stopsim=$SIM_PID
run_win erase --port COM7 --chip PIC12F629 --yes >"$work/erase.log"
check "erase exits 0 and puts the calibration back" grep -q 'OSCCAL word & BG-bits has been restored' "$work/erase.log"
wine "$exe" write --port COM7 --chip PIC12F629 --yes "$winfile" >"$work/stop.log" 2>&1 &
wine_pid=$!
for _ in $(seq 100); do
  grep -q 'has been read and stored' "$work/stop.log" 2>/dev/null && break
  sleep 0.1
done
sleep 0.5
kill -INT "$(pgrep -f 'flashwright-cli.exe write --port COM7' | head -n 1)"
wait "$wine_pid"
status=$?
tr -d '\r' <"$work/stop.log" >"$work/stop.txt"
check "Ctrl+C ends the write with exit 3" test "$status" = 3
check "Ctrl+C during the write puts the calibration back first" \
  grep -q 'OSCCAL word & BG-bits has been restored' "$work/stop.txt"
check "and then says it was cancelled" test "$(tail -n 1 "$work/stop.txt")" = "Operation cancelled"
run_win calibration --port COM7 --chip PIC12F629 >"$work/after.log"
check "the chip still holds its OSCCAL word" grep -q '^0x03FF = 34A8 (OSCCAL)' "$work/after.log"
stop_sim "$stopsim"

# --- The port vanishes mid-read: one line of failure and exit 1.
start_sim PIC16F630 "$work/gone.dump" 8
gonesim=$SIM_PID
wine "$exe" read --port COM8 --chip PIC16F630 --output 'Z:\tmp\never.hex' >"$work/gone.log" 2>&1 &
wine_pid=$!
sleep 2
kill -KILL "$gonesim"
wait "$wine_pid"
status=$?
check "a vanished port fails with exit 1" test "$status" = 1
check "and says so, never a success" bash -c "grep -q 'with fail' '$work/gone.log' && ! grep -q 'Operation complete' '$work/gone.log'"

# --- One port, two Flashwright programs: the second is refused while the
# first reads (Wine, unlike Windows, would let both open it), and takes the
# port once the first is done.
start_sim PIC16F630 "$work/shared.dump" 9
sharedsim=$SIM_PID
wine "$exe" read --port COM9 --chip PIC16F630 --output 'Z:\tmp\shared.hex' >"$work/first.log" 2>&1 &
first=$!
sleep 2
run_win detect --port COM9 >"$work/second.log"
status=$?
check "a second program on the port is refused (exit $status)" \
  bash -c "[ $status = 1 ] && grep -q 'in use by another Flashwright program' '$work/second.log'"
wait "$first"
check "the first program's read was not disturbed" grep -q 'Operation complete' "$work/first.log"
check "the port is free once it is done" bash -c "wine '$exe' detect --port COM9 | grep -q 'Selected chip is  PIC16F630'"
stop_sim "$sharedsim"

# --- Names that are no serial port.
for name in COM0 LPT1 'C:\windows\win.ini'; do
  run_win detect --port "$name" >"$work/bad.log"
  status=$?
  check "$name is refused with its reason (exit $status)" grep -q 'is not a serial port' "$work/bad.log"
done

# --- demo: ports as on Linux.
check "demo: ports work on Windows" bash -c "wine '$exe' detect --port demo:PIC16F684 | grep -q 'Selected chip is  PIC16F684'"

echo "windows end-to-end: $failures failed"
[ "$failures" = 0 ]

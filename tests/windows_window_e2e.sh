#!/usr/bin/env bash
# flashwright.exe, the window, under Wine on an Xvfb display at 1024 x 768,
# against the native flashwright-sim on a pseudo-terminal linked into the
# prefix as COM7: Connect, Autosearch chip, Load All, Write Program &
# Configuration on a PIC12F629 with its calibration kept, Verify, run by the
# window's own command file (--run) as clicks would run them. The
# simulator's dump shows the OSCCAL word and band-gap bits unchanged; the
# screen is kept as a picture.
#   windows_window_e2e.sh WINDOWS_BUILD HOST_BUILD SCREENSHOT.png
set -uo pipefail
win=$1
host=$2
shot=$3
exe=$win/src/app/flashwright.exe
sim=$host/src/flashwright-sim

source "$(dirname "$0")/wine_test_common.sh"

# No Windows fonts in the prefix: the dialog and fixed fonts drawn with
# DejaVu, as on a Windows desktop with its own.
for f in "MS Shell Dlg" "MS Shell Dlg 2" Tahoma "Segoe UI"; do
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v "$f" /d "DejaVu Sans" /f \
    >/dev/null 2>&1
done
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v "Courier New" \
  /d "DejaVu Sans Mono" /f >/dev/null 2>&1
# A Wine desktop of 1024 x 768: the window gets its title bar as on
# Windows, and "wine" waits for the program.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
wineserver -w

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
sleep 1

# The simulator's chip as it comes, factory values and all: the dump of one
# taken out at once (the same every time). A terminal the native tool has
# opened keeps a line speed Wine cannot read, so the chip the window writes
# is a fresh one.
start_sim() {
  : >"$work/sim.out"
  "$sim" --chip PIC12F629 --dump "$1" >"$work/sim.out" 2>"$work/sim.err" &
  sim_pid=$!
  pids+=($sim_pid)
  for _ in $(seq 50); do
    pty=$(head -n 1 "$work/sim.out" 2>/dev/null)
    [ -n "$pty" ] && break
    sleep 0.1
  done
}
start_sim "$work/factory.dump"
kill -TERM "$sim_pid" 2>/dev/null
wait "$sim_pid" 2>/dev/null
start_sim "$work/chip.dump"
ln -sfn "$pty" "$WINEPREFIX/dosdevices/com7"

# One image: a few program words, configuration word 0x3FC4 (its band-gap
# bits, 00, never the chip's), EEPROM bytes.
{
  echo ':020000040000FA'
  echo ':08000000831690309900831271'
  echo ':02400E00C43FAD'
  echo ':044200004100420037'
  echo ':00000001FF'
} >"$work/firmware.hex"
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
cat >"$work/script.txt" <<SCRIPT
connect
autosearch
load-all $(winpath "$work/firmware.hex")
write
verify
save-log $(winpath "$work/log.rtf")
screenshot $(winpath "$work/screen.png")
quit
SCRIPT

osccal_before=$(word_at "$work/factory.dump" 0x7FE)
factory_config=$((16#$(word_at "$work/factory.dump" 0x400E)))
bg_before="$(((factory_config >> 13) & 1))$(((factory_config >> 12) & 1))"

started=$(date +%s)
timeout 300 wine "$exe" --port COM7 --run "$(winpath "$work/script.txt")" >"$work/window.out" 2>&1
status=$?
echo "the window's run took $(($(date +%s) - started)) s"
check "every command of the run was done (exit $status)" test "$status" = 0
[ "$status" = 0 ] || sed 's/^/  window: /' "$work/window.out"
check "the verify found no difference" grep -q "No differences found" "$work/log.rtf"
check "the calibration was read and put back" grep -q "OSCCAL word & BG-bits has been read and stored" "$work/log.rtf"

kill -TERM "$sim_pid" 2>/dev/null
wait "$sim_pid" 2>/dev/null
# What the chip holds: the file's first word, and the OSCCAL word and
# band-gap bits it had before.
check "the file's first word is on the chip" test "$(word_at "$work/chip.dump" 0)" = 1683
check "the OSCCAL word is the chip's own ($osccal_before)" test -n "$osccal_before" -a \
  "$(word_at "$work/chip.dump" 0x7FE)" = "$osccal_before"
config=$((16#$(word_at "$work/chip.dump" 0x400E)))
check "the band-gap bits are the chip's own ($bg_before)" test -n "$bg_before" -a \
  "$(((config >> 13) & 1))$(((config >> 12) & 1))" = "$bg_before"
check "the simulator saw nothing it refused" bash -c "! grep -q 'chip: \\(ignored\\|refused\\|command 0x.. at .* cut short\\)' '$work/sim.err'"
check "the screen was kept" test -s "$work/screen.png"
cp "$work/screen.png" "$shot" 2>/dev/null
echo "windows window: $failures failed"
[ "$failures" = 0 ]

#!/usr/bin/env bash
# The Windows installer under Wine: /S installs the window and the tool into
# Program Files with the pictures, the licence and an uninstaller, a Start
# menu entry and "Open with Flashwright" for .hex, .eep and .bin, and puts the
# folder on a system PATH of over 4000 characters without cutting it; the
# uninstaller takes all of it away and gives PATH back as it was, byte for
# byte.
#   windows_installer.sh SETUP.exe       (WINEPREFIX names the prefix)
set -uo pipefail
setup=$1
export WINEDEBUG=-all
folder="$WINEPREFIX/drive_c/Program Files/Flashwright"
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
environment='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
system_path() {
  wine reg query "$environment" /v Path 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_EXPAND_SZ *//p'
}
# The uninstaller runs a copy of itself from the temporary folder and
# returns at once: its work is waited for.
wait_until() {
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

# One Wine server and the prefix's services for the whole test, started with
# nowhere to write, so that no service holds a command's output pipe open.
wineserver -p >/dev/null 2>&1
wine wineboot >/dev/null 2>&1 </dev/null
trap 'wineserver -k 2>/dev/null' EXIT

original=$(system_path)
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Flashwright.lnk"

# First with the prefix's own PATH: a command prompt finds the tool. (Wine
# cuts a PATH of over about 1000 characters when it expands it for a new
# process, Windows does not: the long PATH below is checked in the
# registry, where Windows reads it.)
wine "$setup" /S
check "the window is in Program Files" wait_until test -f "$folder/flashwright.exe"
check "with the tool, the PATH step and the uninstaller" test -f "$folder/flashwright-cli.exe" -a \
  -f "$folder/flashwright-path.exe" -a -f "$folder/uninstall.exe"
check "with the pictures" test -f "$folder/pictures/PIC16F630.png"
check "with the licence and what the programs contain" test -f "$folder/LICENSE.txt" -a -f "$folder/THIRD-PARTY.md"
check "with the example chips file" test -f "$folder/chips.txt"
check "a command prompt finds the tool" \
  bash -c "wine cmd /c 'flashwright-cli --version' 2>/dev/null | tr -d '\r' | grep -q '^flashwright-cli '"
check "a Start menu entry" test -f "$start_menu"
check "no desktop shortcut unless asked" test ! -e "$WINEPREFIX/drive_c/users/Public/Desktop/Flashwright.lnk"
for ext in .hex .eep .bin; do
  check "\"Open with Flashwright\" for $ext" \
    bash -c "wine reg query 'HKLM\\Software\\Classes\\$ext\\OpenWithProgids' /v Flashwright.File >/dev/null 2>&1"
done
check "the file type opens the window" \
  bash -c "wine reg query 'HKLM\\Software\\Classes\\Flashwright.File\\shell\\open\\command' 2>/dev/null | grep -q 'flashwright.exe'"
wine "$folder/uninstall.exe" /S
check "the uninstaller takes the programs away" wait_until test ! -e "$folder"
check "and gives PATH back as it was" wait_until test "$(system_path)" = "$original"
check "and the Start menu entry" test ! -e "$start_menu"
check "and the file types and the uninstall entry" \
  bash -c "! wine reg query 'HKLM\\Software\\Classes\\Flashwright.File' >/dev/null 2>&1 &&
           ! wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Flashwright' >/dev/null 2>&1 &&
           ! wine reg query 'HKLM\\Software\\Classes\\.hex\\OpenWithProgids' /v Flashwright.File >/dev/null 2>&1"

# Then a PATH as long as a developer's machine grows one: 4000 characters
# and more, an empty entry, a variable left unexpanded. Nothing is cut,
# and the uninstaller takes off only its entry.
long="$original;;%SystemRoot%\\Tools"
for i in $(seq 260); do long="$long;C:\\Tools\\Folder$i"; done
wine reg add "$environment" /v Path /t REG_EXPAND_SZ /d "$long" /f >/dev/null 2>&1
before=$(system_path)
check "the PATH set up is over 4000 characters (${#before})" test "${#before}" -gt 4000
wine "$setup" /S
check "installed again" wait_until test -f "$folder/flashwright.exe"
check "PATH is the long one with the folder added, nothing cut" \
  wait_until test "$(system_path)" = "$before;C:\\Program Files\\Flashwright"
wine "$folder/uninstall.exe" /S
check "uninstalled again" wait_until test ! -e "$folder"
check "and the long PATH is back byte for byte" wait_until test "$(system_path)" = "$before"
wine reg add "$environment" /v Path /t REG_EXPAND_SZ /d "$original" /f >/dev/null 2>&1
echo "windows installer: $failures failed"
[ "$failures" = 0 ]

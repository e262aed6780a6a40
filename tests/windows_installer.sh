#!/usr/bin/env bash
# The Windows installer under Wine: /S installs into Program Files with an
# uninstaller and puts the tool on PATH; the uninstaller takes both away and
# leaves the rest of PATH as it was.
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
system_path() {
  wine reg query 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment' /v Path 2>/dev/null |
    tr -d '\r' | sed -n 's/.*REG_EXPAND_SZ *//p'
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

before=$(system_path)
wine "$setup" /S
check "the tool is in Program Files" wait_until test -f "$folder/flashwright-cli.exe"
check "with its uninstaller" test -f "$folder/uninstall.exe"
check "and on PATH" bash -c "[[ '$(system_path)' == *'C:\\Program Files\\Flashwright' ]]"
check "a command prompt finds it" bash -c "wine cmd /c 'flashwright-cli --version' 2>/dev/null | tr -d '\r' | grep -q '^flashwright-cli '"
wine "$folder/uninstall.exe" /S
check "the uninstaller takes it away" wait_until test ! -e "$folder"
check "and gives PATH back as it was" wait_until test "$(system_path)" = "$before"
echo "windows installer: $failures failed"
[ "$failures" = 0 ]

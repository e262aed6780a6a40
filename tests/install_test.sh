#!/usr/bin/env bash
# What a user gets: the build installed into a scratch prefix (prefix), or
# packed as a .deb and unpacked into a scratch root (deb). Checks the files
# each holds and that the installed programs run.
# Usage: install_test.sh BUILD_DIR prefix|deb
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expect_files() {  # ROOT FILE...
  local root=$1
  shift
  for f in "$@"; do
    [ -f "$root/$f" ] || { echo "missing from the installation: $f"; exit 1; }
  done
  local pictures
  pictures=$(ls "$root/share/flashwright/pictures/" | grep -c '\.jpg$')
  [ "$pictures" -eq 43 ] || { echo "$pictures pictures installed, not 43"; exit 1; }
}

# A program's whole output is taken before it is searched: `cmd | grep -q`
# under pipefail fails whenever grep stops reading before cmd has written
# everything (cmd then dies of SIGPIPE), which depends on timing alone.
prints() {  # COMMAND ARG... -- PATTERN
  local args=()
  while [ "$1" != "--" ]; do args+=("$1"); shift; done
  local out
  out=$("${args[@]}") || { echo "${args[*]} failed"; exit 1; }
  grep -q -- "$2" <<<"$out" || { echo "${args[*]} did not print $2"; exit 1; }
}

files=(bin/flashwright bin/flashwright-cli bin/flashwright-sim
       share/flashwright/pictures/PIC16F630.jpg share/flashwright/pictures/PIC16F882.jpg share/flashwright/chips.txt
       share/applications/flashwright.desktop share/icons/hicolor/scalable/apps/flashwright.svg
       share/mime/packages/flashwright.xml
       share/doc/flashwright/README.md share/doc/flashwright/simulator.md)

case "$2" in
  prefix)
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    expect_files "$work/prefix" "${files[@]}"
    # "Open with Flashwright": the desktop entry takes a file of the type the
    # package declares.
    grep -qx 'Exec=flashwright %f' "$work/prefix/share/applications/flashwright.desktop"
    grep -q '^MimeType=application/x-ihex;' "$work/prefix/share/applications/flashwright.desktop"
    grep -q 'type="application/x-ihex"' "$work/prefix/share/mime/packages/flashwright.xml"
    prints "$work/prefix/bin/flashwright-cli" chips -- '^PIC16F887 '
    QT_QPA_PLATFORM=offscreen prints "$work/prefix/bin/flashwright" --version -- '^flashwright 3\.1'
    prints "$work/prefix/bin/flashwright-sim" --version -- '^flashwright-sim 3\.1'
    ;;
  deb)
    cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >/dev/null
    deb=$(ls "$work"/flashwright_*.deb)
    dpkg-deb -f "$deb" Package | grep -qx flashwright
    for needed in libqt6widgets6 libqt6core6 qt6-qpa-plugins; do
      dpkg-deb -f "$deb" Depends | grep -q "$needed" || { echo "the package does not depend on $needed"; exit 1; }
    done
    dpkg -x "$deb" "$work/root"
    expect_files "$work/root/usr" "${files[@]}"
    prints "$work/root/usr/bin/flashwright-cli" chips --csv -- '^PIC16F887,0x2080,'
    ;;
  *)
    echo "usage: install_test.sh BUILD_DIR prefix|deb"
    exit 2
    ;;
esac
echo "ok"

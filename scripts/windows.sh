#!/usr/bin/env bash
# Flashwright for Windows, made and tried on this Linux machine: installs the
# mingw-w64 cross compiler, Wine and NSIS, cross-builds flashwright-cli.exe
# (no DLL beyond Windows' own) into build-windows/, runs the core's unit
# tests under Wine, runs the end-to-end test against the native
# flashwright-sim under Wine, and packs build-windows/flashwright-setup-VERSION.exe,
# which it then installs silently into the test prefix, runs from PATH and
# uninstalls. The window is not built here (Qt for Windows is not in
# Debian's archive): see the README.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh windows

started=$(date +%s)
jobs=$(nproc)
out=$PWD/build-windows
version=$(sed -n 's/^project(Flashwright VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
export WINEPREFIX=$out/wineprefix WINEDEBUG=-all
mkdir -p "$out/cli11"
ln -sfn /usr/include/CLI "$out/cli11/CLI"
mkdir -p "$out/json"
ln -sfn /usr/include/nlohmann "$out/json/nlohmann"

echo "== a Wine prefix of our own"
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

echo "== cross-build for Windows"
cmake -S . -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DFW_BUILD_GUI=OFF -DFW_GTEST_SOURCE=/usr/src/googletest -DFW_CLI11_INCLUDE="$out/cli11" \
  -DFW_JSON_INCLUDE="$out/json" >/dev/null
cmake --build "$out" -j "$jobs"

echo "== the core's unit tests under Wine"
ctest --test-dir "$out" --output-on-failure -j "$jobs"

echo "== the native simulator and tool for the end-to-end test"
cmake -S . -B "$out/host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFW_BUILD_GUI=OFF >/dev/null
cmake --build "$out/host" -j "$jobs" --target flashwright-sim flashwright-cli

echo "== end to end under Wine"
tests/windows_e2e.sh "$out" "$out/host" </dev/null

echo "== the installer"
setup=$out/flashwright-setup-$version.exe
makensis -V2 -DVERSION="$version" -DBUILD="$out" -DSOURCE="$PWD" -DOUTFILE="$setup" data/windows/flashwright.nsi
tests/windows_installer.sh "$setup" </dev/null

echo "== what was made"
for f in "$out/src/flashwright-cli.exe" "$setup"; do
  printf '%-60s %8d bytes\n' "${f#"$PWD"/}" "$(stat -c %s "$f")"
done
echo "flashwright-cli.exe imports: $(x86_64-w64-mingw32-objdump -p "$out/src/flashwright-cli.exe" |
  sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
echo "windows.sh took $(($(date +%s) - started)) s after the packages were in place"

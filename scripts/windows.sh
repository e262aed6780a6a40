#!/usr/bin/env bash
# Flashwright for Windows, made and tried on this Linux machine: installs the
# mingw-w64 cross compiler, Wine and NSIS, takes a static Qt for mingw-w64
# from its cache (scripts/qt-windows.sh: a seed, or Debian's qt6-base source),
# cross-builds flashwright.exe (the window), flashwright-cli.exe and
# flashwright-path.exe (no DLL beyond Windows' own) into build-windows/,
# runs the core's unit tests under Wine, runs the end-to-end tests of the
# command-line tool and of the window against the native flashwright-sim
# under Wine, and packs build-windows/flashwright-setup-VERSION.exe, which it
# then installs silently into the test prefix, tries and uninstalls.
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

echo "== Qt for Windows"
qt_started=$(date +%s)
qt=$(./scripts/qt-windows.sh | tail -n 1)
qt_seconds=$(($(date +%s) - qt_started))

echo "== a Wine prefix of our own"
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

echo "== cross-build for Windows"
# Qt's toolchain file finds the Qt; ours, loaded by it, the cross compiler,
# the static run-times and Wine for the tests.
cmake -S . -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DFW_GTEST_SOURCE=/usr/src/googletest -DFW_CLI11_INCLUDE="$out/cli11" -DFW_JSON_INCLUDE="$out/json" >/dev/null
cmake --build "$out" -j "$jobs"

echo "== the core's unit tests under Wine"
ctest --test-dir "$out" --output-on-failure -j "$jobs"

echo "== the native simulator, tool and pictures for the end-to-end tests"
cmake -S . -B "$out/host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out/host" -j "$jobs" --target flashwright-sim flashwright-cli make_pictures
# The Qt for Windows reads no JPEG: the pictures go in as PNG.
"$out/host/src/app/make_pictures" --png "$out/pictures"

echo "== end to end under Wine: the command-line tool"
tests/windows_e2e.sh "$out" "$out/host" </dev/null

echo "== end to end under Wine: the window"
tests/windows_window_e2e.sh "$out" "$out/host" "$out/window-under-wine.png" </dev/null

echo "== the installer"
setup=$out/flashwright-setup-$version.exe
makensis -V2 -DVERSION="$version" -DBUILD="$out" -DPICTURES="$out/pictures" -DSOURCE="$PWD" -DOUTFILE="$setup" \
  data/windows/flashwright.nsi
tests/windows_installer.sh "$setup" </dev/null

echo "== what was made"
for f in "$out/src/app/flashwright.exe" "$out/src/flashwright-cli.exe" "$out/src/flashwright-path.exe" "$setup"; do
  printf '%-60s %9d bytes\n' "${f#"$PWD"/}" "$(stat -c %s "$f")"
done
for f in "$out/src/app/flashwright.exe" "$out/src/flashwright-cli.exe" "$out/src/flashwright-path.exe"; do
  echo "$(basename "$f") imports: $(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
done
echo "Qt for Windows took ${qt_seconds} s (from its cache, a seed, or its source)"
echo "windows.sh took $(($(date +%s) - started)) s after the packages were in place"

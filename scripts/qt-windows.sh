#!/usr/bin/env bash
# A static Qt for 64-bit Windows (mingw-w64) for the window's cross-build:
# Qt Core, Gui and Widgets with the Windows platform plugin, made from
# Debian 12's own qt6-base source package. Prints the Qt folder on its last
# line of standard output.
#
# The Qt is kept in a cache folder ($FW_QT_WINDOWS_CACHE, by default
# ~/.cache/flashwright/qt-windows) with a stamp of what it was made from:
# the source version, the configure line and the patch. A cache that is
# missing or whose stamp differs is made again: unpacked from a seed, a tar
# of the same build ($FW_QT_WINDOWS_SEED, or ../shared/qt-windows beside the
# source tree) when its notes name the same source, configure line and
# patch, else built from source (35-55 minutes on two cores; root or sudo
# for apt-get).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${FW_QT_WINDOWS_CACHE:-$HOME/.cache/flashwright/qt-windows}
source_version=6.4.2+dfsg-10
name=qt-6.4.2-mingw-static
patch_file=$here/data/windows/qt-fix-directwrite3-without-direct2d.diff
configure=(-release -static -static-runtime
  -xplatform win32-g++ -qt-host-path /usr -nomake examples -nomake tests
  -no-opengl -no-dbus -no-pkg-config -qt-zlib -qt-libpng -no-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz
  -no-feature-sql -no-feature-network -no-feature-xml -no-feature-testlib -no-feature-printsupport
  -no-feature-concurrent -no-feature-tabletevent -no-feature-direct2d -no-feature-androiddeployqt
  -no-feature-windeployqt -no-feature-vulkan)
stamp="qt6-base $source_version
configure ${configure[*]}
patch $(sha256sum "$patch_file" | cut -d' ' -f1)"
prefix=$cache/$name

if [ -f "$cache/stamp" ] && [ "$(cat "$cache/stamp")" = "$stamp" ] && [ -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  echo "$prefix"
  exit 0
fi
rm -rf "$cache"
mkdir -p "$cache"

# A seed is taken only where its notes say it was made the same way.
seed=${FW_QT_WINDOWS_SEED:-$here/../shared/qt-windows}
seed_matches() {
  [ -f "$seed/$name.tar.gz" ] && [ -f "$seed/README.md" ] && [ -f "$seed/fix-directwrite3-without-direct2d.diff" ] &&
    cmp -s "$seed/fix-directwrite3-without-direct2d.diff" "$patch_file" &&
    grep -q "qt6-base\` $source_version" "$seed/README.md" &&
    [ "$(tr -s ' \\\n' ' ' < "$seed/README.md" | grep -o -- '-release -static.*-no-feature-vulkan' | head -1)" = "${configure[*]}" ]
}
if seed_matches; then
  echo "== Qt for Windows: from the seed in $seed" >&2
  tar xzf "$seed/$name.tar.gz" -C "$cache"
else
  echo "== Qt for Windows: no seed made the same way; building it from Debian's qt6-base source" >&2
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  mkdir -p "$work/apt/lists/partial"
  cat > "$work/apt/src.sources" <<SRC
Types: deb-src
URIs: $(sed -n 's/^URIs: //p' /etc/apt/sources.list.d/debian.sources | head -1)
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt_src=(-o Dir::Etc::sourcelist=/dev/null -o Dir::Etc::sourceparts="$work/apt" -o Dir::State::lists="$work/apt/lists")
  (cd "$work" && apt-get "${apt_src[@]}" update -q >&2 &&
    apt-get "${apt_src[@]}" source --download-only "qt6-base=$source_version" >&2)
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends \
    g++-mingw-w64-x86-64-posix cmake ninja-build qt6-base-dev qt6-base-dev-tools dpkg-dev >&2
  (cd "$work" && dpkg-source -x "qt6-base_$source_version.dsc" qtbase-src >&2)
  patch -d "$work/qtbase-src" -p1 < "$patch_file" >&2
  cat > "$work/mingw-toolchain.cmake" <<'TC'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CMAKE_CURRENT_LIST_DIR}/../../..)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TC
  mkdir -p "$work/build"
  (cd "$work/build" &&
    ../qtbase-src/configure -prefix "$prefix" "${configure[@]}" -- -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$work/mingw-toolchain.cmake" -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >&2 &&
    cmake --build . -j"$(nproc)" >&2 && cmake --install . >&2)
  cp "$work/mingw-toolchain.cmake" "$prefix/lib/cmake/Qt6/mingw-toolchain.cmake"
  sed -i "s#set(__qt_initially_configured_toolchain_file \".*\")#set(__qt_initially_configured_toolchain_file \"\${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake\")#" \
    "$prefix/lib/cmake/Qt6/qt.toolchain.cmake"
fi
printf '%s\n' "$stamp" > "$cache/stamp"
echo "$prefix"

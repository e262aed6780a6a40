#!/usr/bin/env bash
# Installs the Debian 12 packages Flashwright builds and tests with;
# "install-deps.sh windows" those of the Windows cross-build and its tests
# under Wine instead. Idempotent: packages already present are left alone,
# and nothing runs when everything is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth
  gputils srecord
  dpkg-dev
  libcli11-dev nlohmann-json3-dev
  postgresql libpq-dev
)
if [ "${1:-}" = windows ]; then
  packages=(
    cmake ninja-build g++ pkg-config bc
    g++-mingw-w64-x86-64-posix wine wine64 nsis
    googletest libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev
    qt6-base-dev qt6-base-dev-tools xvfb xauth fonts-dejavu-core
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=300 update -q
$SUDO apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=300 "${missing[@]}"

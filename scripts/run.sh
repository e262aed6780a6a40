#!/usr/bin/env bash
# Installs what is missing, builds, and starts Flashwright on the built-in
# simulated gateway, so that it can be tried without hardware.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the program (and its pictures): the first window does not wait for the tests.
cmake --build build -j "$(nproc)" --target flashwright
exec ./build/src/app/flashwright --port "${FLASHWRIGHT_PORT:-demo:PIC16F684}" "$@"

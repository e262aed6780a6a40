#!/usr/bin/env bash
# Builds the Intel HEX reader's fuzz target with clang (libFuzzer, ASan,
# UBSan) and runs it, by default for 60 s, on a copy of the seed corpus.
# Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

need=()
command -v clang++ >/dev/null || need+=(clang)
dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "install ok installed" || need+=(libclang-rt-14-dev)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get -o DPkg::Lock::Timeout=300 update -q
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}"
fi

out=build-fuzz
mkdir -p "$out"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Isrc fuzz/fuzz_hex_reader.cpp src/files/hex_file.cpp src/chips/catalogue.cpp \
  -o "$out/fuzz_hex_reader"

corpus="$out/hex_corpus"
mkdir -p "$corpus"
cp -n fuzz/hex_seeds/* "$corpus"/
"$out/fuzz_hex_reader" "$corpus" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1

#!/usr/bin/env bash
# Builds and runs the benchmarks; prints their figures.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DFW_BENCH=ON >/dev/null
cmake --build build-bench -j "$(nproc)" --target bench_views bench_serial bench_cli bench_ports bench_timing bench_baseline bench_pg_proxy flashwright-sim
./build-bench/bench/bench_views "$@"
./build-bench/bench/bench_serial "$@"
# Whole processes with real time: several minutes (a PIC16F886 is 8192 words),
# each write and verify by rows of the write latches and a word a cycle.
./build-bench/bench/bench_cli
# A PIC12F508's OSCCAL through a dropped line across an erase and a write.
./build-bench/bench/bench_baseline
# Four gateways at once against one alone.
./build-bench/bench/bench_ports
# The simulator's timing judgement: refused short waits, accepted long ones,
# the jitter the excuses leave, idle and with every core busy.
./build-bench/bench/bench_timing
# Four stations with two gateways each on one PostgreSQL server, against the
# files; then the server killed in the middle of a run.
bash bench/database_stations.sh build-bench

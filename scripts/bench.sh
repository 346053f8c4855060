#!/usr/bin/env bash
# Builds the benchmarks (Google Benchmark) into build-bench/ and prints their
# table, then the summary: bridge / floor per answer, upload against read(),
# log disabled against enabled, controller calls and resident memory; then
# zdmond's cycle over 8 x 128 disks, its memory over a simulated day and the
# history query over a million events; then the simulator's own cost per call,
# with and without a state file.
# Usage: scripts/bench.sh [benchmark options, e.g. --benchmark_filter=PD]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh libbenchmark-dev
build_dir=${ZD_BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZD_BUILD_BENCH=ON >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target bridge_bench daemon_bench sim_bench
"$build_dir/bin/bridge_bench" "$@"
"$build_dir/bin/daemon_bench" "$@"
"$build_dir/bin/sim_bench"

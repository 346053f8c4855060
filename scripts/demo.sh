#!/usr/bin/env bash
# Builds the bridge, the simulator, zdctl and zdmond, then runs the guided
# tour, which ends with the web dashboard's login URL.
# Usage: scripts/demo.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
build_dir=${1:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target zdctl zdmond zdbridge zd_api
bash scripts/tour.sh "$build_dir"

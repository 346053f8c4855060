#!/usr/bin/env bash
# Builds the bridge, the simulator and zdctl, then runs the guided tour.
# Usage: scripts/demo.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
build_dir=${1:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target zdctl zdbridge zd_api
bash scripts/tour.sh "$build_dir"

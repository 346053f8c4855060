#!/usr/bin/env bash
# Loads and unloads the bridge 1,000 times (dlopen / dlclose) with requests
# in between, every tenth time in the middle of a firmware upload, under
# valgrind's memcheck: any memory error or leak fails the run, and the test
# itself proves that every unload ran the whole teardown.
# Usage: scripts/unload_check.sh [cycles] [build-dir]   (default 1000, build)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh valgrind
cycles=${1:-1000}
build_dir=${2:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target zdbridge unload_test

echo "==== $cycles load/unload cycles under valgrind ===="
ZD_UNLOAD_CYCLES=$cycles valgrind --error-exitcode=1 --leak-check=full --show-leak-kinds=definite,possible \
    --errors-for-leak-kinds=definite,possible --track-fds=no --quiet \
    "$build_dir/bin/unload_test" --gtest_brief=1
echo "==== no memory error, no leak ===="

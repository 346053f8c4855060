#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang, ASan + UBSan) into
# build-fuzz/ and runs each for the given number of seconds, starting from
# its seed corpus (fuzz/corpus/<target>) with its dictionary
# (fuzz/dict/<target>.dict). New inputs collect in build-fuzz/work/<target>/
# corpus; a crash, leak or hang leaves its input there as crash-*, leak-* or
# timeout-* and fails the run (after the other targets ran).
# Usage: scripts/fuzz.sh [seconds-per-target] [target...]   (default 60, all)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh clang libclang-rt-14-dev
seconds=${1:-60}
shift || true
build_dir=${ZD_FUZZ_BUILD_DIR:-build-fuzz}

targets=("$@")
if ((${#targets[@]} == 0)); then
    for source in fuzz/fuzz_*.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DZD_BUILD_FUZZ=ON -DZD_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}"

failed=()
for target in "${targets[@]}"; do
    work="$build_dir/work/$target"
    mkdir -p "$work/corpus" "$work/files"
    echo "==== $target: $seconds s ===="
    # The schedule file and the log go to the target's own directory.
    if ZDBRIDGE_LOG_DIR="$PWD/$work/files/" ZDBRIDGE_DB_PATH="$PWD/$work/files/db.xml" \
        "$build_dir/bin/$target" -max_total_time="$seconds" -timeout=10 -max_len=8192 \
        -dict="fuzz/dict/$target.dict" -artifact_prefix="$work/" -print_final_stats=1 \
        "$work/corpus" "fuzz/corpus/$target" 2>"$work/output.txt"; then
        grep -E '^Done|stat::number_of_executed_units|stat::peak_rss_mb' "$work/output.txt" || true
    else
        failed+=("$target")
        tail -n 60 "$work/output.txt"
    fi
done

if ((${#failed[@]})); then
    echo "findings in: ${failed[*]} (inputs in $build_dir/work/<target>/)" >&2
    exit 1
fi
echo "==== no finding ===="

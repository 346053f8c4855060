#!/usr/bin/env bash
# Builds everything and runs the whole test suite, then runs it again under
# the sanitizers. Stages, each in its own build directory:
#   1. plain      <dir>       the whole suite (a plain failure shows up first)
#   2. asan       <dir>-asan  the whole suite under AddressSanitizer,
#                             LeakSanitizer and UndefinedBehaviorSanitizer
#   3. tsan       <dir>-tsan  the tests that run more than one thread, under
#                             ThreadSanitizer
# Any sanitizer report fails the run. The sanitizer builds are unoptimised
# (Debug): they compile in about half the time, and the suite stays fast.
# Usage: scripts/check.sh [build-dir]        (default: build)
#        ZD_CHECK_STAGES="plain asan" scripts/check.sh   runs only those stages
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
build_dir=${1:-build}
stages=${ZD_CHECK_STAGES:-plain asan tsan}
jobs=$(nproc)

# Test programs and test names (GoogleTest "Suite.Case") that start threads:
# the upload worker polled by the front end's thread, the log written from two
# threads, events drained while the worker logs, the simulator's concurrent
# flash and reads, the load/unload cycles that join a running worker, and a
# front end calling from two threads.
tsan_targets=(log_test upload_test events_test sim_firmware_test unload_test dispatcher_test)
tsan_tests='^(Upload\.|Log\.ALineBelongsToTheThreadThatStartedIt|Events\.|SimFirmwareTest\.FlashWhileAnotherThreadReads|Unload\.|Dispatcher\.CallsFromTwoThreadsAreServedOneAtATime)'

started=$SECONDS
stage() {
    printf '\n==== zdbridge check: %s (%ds elapsed) ====\n' "$*" $((SECONDS - started))
}

configure() {  # dir, build type, extra cmake arguments...
    local dir=$1 type=$2
    shift 2
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
}

for name in $stages; do
    case $name in
    plain)
        stage "1/3 plain build and the whole test suite ($build_dir)"
        configure "$build_dir" RelWithDebInfo -DZD_SANITIZE=
        cmake --build "$build_dir" -j "$jobs"
        ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
        ;;
    asan)
        stage "2/3 AddressSanitizer + UndefinedBehaviorSanitizer, whole test suite ($build_dir-asan)"
        configure "$build_dir-asan" Debug -DZD_SANITIZE=address
        cmake --build "$build_dir-asan" -j "$jobs"
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            ctest --test-dir "$build_dir-asan" --output-on-failure -j "$jobs"
        ;;
    tsan)
        stage "3/3 ThreadSanitizer, threaded tests ($build_dir-tsan)"
        configure "$build_dir-tsan" Debug -DZD_SANITIZE=thread
        present=()
        for target in "${tsan_targets[@]}"; do
            [[ -f tests/$target.cpp ]] && present+=("$target")
        done
        cmake --build "$build_dir-tsan" -j "$jobs" --target zdbridge "${present[@]}"
        TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
            ctest --test-dir "$build_dir-tsan" --output-on-failure -j "$jobs" --no-tests=error -R "$tsan_tests"
        ;;
    *)
        echo "unknown stage: $name" >&2
        exit 2
        ;;
    esac
done

stage "done: every stage passed"

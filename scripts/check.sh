#!/usr/bin/env bash
# Builds everything and runs the whole test suite, then runs it again under
# the sanitizers. Stages, each in its own build directory:
#   1. plain      <dir>       the whole suite (a plain failure shows up first),
#                             the dashboard's browser tests among it (their
#                             screenshots stay in <dir>/web-screenshots),
#                             run as from a shell that exports every variable
#                             the project reads (as the README suggests for
#                             zdctl): the tests must neither depend on those
#                             values nor write where they point
#   2. packages   build-deb   the Debian packages, built and checked
#                             (tests/packages_test.sh)
#   3. asan       <dir>-asan  the whole suite under AddressSanitizer,
#                             LeakSanitizer and UndefinedBehaviorSanitizer
#   4. tsan       <dir>-tsan  the tests that run more than one thread, under
#                             ThreadSanitizer
# Any sanitizer report fails the run (tests/tsan.supp says which reports of
# uninstrumented Debian libraries ThreadSanitizer leaves out, and why). The sanitizer builds are unoptimised
# (Debug): they compile in about half the time, and the suite stays fast.
# Usage: scripts/check.sh [build-dir]        (default: build)
#        ZD_CHECK_STAGES="plain asan" scripts/check.sh   runs only those stages
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
build_dir=${1:-build}
stages=${ZD_CHECK_STAGES:-plain packages asan tsan}
jobs=$(nproc)

# Test programs and test names (GoogleTest "Suite.Case") that start threads:
# the upload worker polled by the front end's thread, the log written from two
# threads, events drained while the worker logs, the simulator's concurrent
# flash and reads, the load/unload cycles that join a running worker, a front
# end calling the bridge from two threads, the front-end core's sessions
# shared by two threads, zdmond's notifier thread and its metrics read by
# HTTP threads while cycles run, and the dashboard's requests and live
# streams served beside the cycles.
tsan_targets=(log_test upload_test events_test sim_firmware_test unload_test dispatcher_test front_test
              daemon_notifier_test daemon_monitor_test daemon_web_test)
tsan_tests='^(Upload\.|Log\.ALineBelongsToTheThreadThatStartedIt|Events\.|SimFirmwareTest\.FlashWhileAnotherThreadReads|Unload\.|Dispatcher\.CallsFromTwoThreadsAreServedOneAtATime|FrontTest\.SessionsKeepTheirAdapterAcrossThreads|DaemonNotifier\.|DaemonMonitor\.|DaemonWeb\.RequestsAndLiveStreams)'

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
        stage "1/4 plain build and the whole test suite ($build_dir)"
        configure "$build_dir" RelWithDebInfo -DZD_SANITIZE=
        cmake --build "$build_dir" -j "$jobs"
        exported=$(mktemp -d)
        trap 'rm -rf "$exported"' EXIT
        printf 'api_data=1\ninterface_log=1\nutil=1\nversion=1\n' >"$exported/bridge.ini"
        ZD_SIM_STATE="$exported/enclosure.json" ZD_SIM_TIME_SCALE=1000 ZD_SIM_PAGE_DELAY_MS=1000 \
        ZDBRIDGE_LOG_DIR="$exported/" ZDBRIDGE_DB_PATH="$exported/db.xml" ZDBRIDGE_RESCAN_DELAY_MS=60000 \
        ZDCTL_BRIDGE="$exported/missing.so" ZDCTL_HISTORY="$exported/events.db" ZDBRIDGE_CONTROLLER="$exported/missing-controller.so" NO_COLOR=1 \
            ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
        if [[ $(ls -A "$exported") != bridge.ini ]]; then
            echo "error: the test suite wrote where the exported variables point:" $(ls -A "$exported") >&2
            exit 1
        fi
        ;;
    packages)
        stage "2/4 Debian packages: build, contents, lintian, zdctl from an unpacked root (build-deb)"
        bash tests/packages_test.sh
        ;;
    asan)
        stage "3/4 AddressSanitizer + UndefinedBehaviorSanitizer, whole test suite ($build_dir-asan)"
        configure "$build_dir-asan" Debug -DZD_SANITIZE=address -DZD_BROWSER_TESTS=OFF
        cmake --build "$build_dir-asan" -j "$jobs"
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            ctest --test-dir "$build_dir-asan" --output-on-failure -j "$jobs"
        ;;
    tsan)
        stage "4/4 ThreadSanitizer, threaded tests ($build_dir-tsan)"
        configure "$build_dir-tsan" Debug -DZD_SANITIZE=thread -DZD_BROWSER_TESTS=OFF
        present=()
        for target in "${tsan_targets[@]}"; do
            [[ -f tests/$target.cpp ]] && present+=("$target")
        done
        cmake --build "$build_dir-tsan" -j "$jobs" --target zdbridge "${present[@]}"
        TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp" \
            ctest --test-dir "$build_dir-tsan" --output-on-failure -j "$jobs" --no-tests=error -R "$tsan_tests"
        ;;
    *)
        echo "unknown stage: $name" >&2
        exit 2
        ;;
    esac
done

stage "done: every stage passed"

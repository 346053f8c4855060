#!/usr/bin/env bash
# Guided tour of zdctl on the simulated enclosure: status, a new RAID 5 array
# with its background initialisation, consistency checks and their results, a
# disk failure with its events and the rebuild onto the spare, and a firmware
# upload; at the end zdmond watches the same enclosure and serves its web
# dashboard, whose login URL is printed. Runs without a terminal (CI) and
# leaves nothing behind: the simulator state, schedule file, log and zdmond's
# history live in a temporary directory, and zdmond stops with the tour (on a
# terminal: when Enter is pressed).
# Usage: scripts/tour.sh <build-dir>
set -euo pipefail

build_dir=${1:-build}
zdctl="$(cd "$build_dir" && pwd)/bin/zdctl"
zdmond="$(cd "$build_dir" && pwd)/bin/zdmond"
for program in "$zdctl" "$zdmond"; do
    if [[ ! -x "$program" ]]; then
        echo "error: $program not found; build the zdctl and zdmond targets first" >&2
        exit 1
    fi
done

work=$(mktemp -d)
zdmond_pid=
stop_zdmond() {
    if [[ -n $zdmond_pid ]]; then
        kill "$zdmond_pid" 2>/dev/null || true
        wait "$zdmond_pid" 2>/dev/null || true
        zdmond_pid=
    fi
}
trap 'stop_zdmond; rm -rf "$work"' EXIT
export ZDBRIDGE_CONTROLLER=simulator
export ZD_SIM_STATE="$work/enclosure.json"
export ZDBRIDGE_DB_PATH="$work/db.xml"
export ZDBRIDGE_LOG_DIR="$work/"
export ZD_SIM_TIME_SCALE="${ZD_SIM_TIME_SCALE:-40}"
export ZD_SIM_PAGE_DELAY_MS="${ZD_SIM_PAGE_DELAY_MS:-25}"

step() { printf '\n\033[1m==> %s\033[0m\n' "$*"; }
[[ -t 1 ]] || step() { printf '\n==> %s\n' "$*"; }
run() {
    printf '$ zdctl %s\n' "$*"
    "$zdctl" "$@"
}

step "1. The enclosure as the simulator starts it"
run status

step "2. Capacity preview of a RAID 5 array on the free disks 5, 6 and 7"
run array create --name Data2 --raid 5 --disks 5,6,7 --init background --dry-run

step "3. Create it with a background initialisation, followed to the end"
run array create --name Data2 --raid 5 --disks 5,6,7 --init background --wait

step "4. A consistency check counts inconsistent stripes; a check and fix repairs them"
run sim corrupt 1 3
run array check 1 --wait
run array check 1 --fix --wait

step "5. Disk 1 of array 0 fails; the global spare (disk 4) takes its place"
run sim fail-disk 1
run array list
run events

step "6. The rebuild onto the spare, followed to the end"
run array wait 0

step "7. Replace the failed disk and make the new one the global spare"
run sim pull-disk 1
run sim insert-disk 1
run disk spare 1
run adapter buzzer-off

step "8. A firmware image: made, checked and uploaded"
run sim make-image "$work/firmware.bin" --size 2097152
run firmware info "$work/firmware.bin"
run --yes firmware upload "$work/firmware.bin"

step "9. Final status"
run status

step "10. The web dashboard: zdmond watches the same enclosure"
printf '[syslog]\nseverity = off\n' >"$work/zdmond.conf"
daemon=(--config "$work/zdmond.conf" --db "$work/zdmond/events.db")
"$zdmond" --foreground "${daemon[@]}" --listen 127.0.0.1:0 --interval 5 </dev/null >"$work/zdmond.log" 2>&1 &
zdmond_pid=$!
port=
for _ in $(seq 100); do
    port=$(sed -n 's|.*serving metrics on http://127\.0\.0\.1:\([0-9]*\)/metrics.*|\1|p' "$work/zdmond.log")
    [[ -n $port ]] && break
    kill -0 "$zdmond_pid" 2>/dev/null || break
    sleep 0.1
done
if [[ -z $port ]]; then
    echo "error: zdmond did not start:" >&2
    cat "$work/zdmond.log" >&2
    exit 1
fi
printf '$ zdmond --print-url\n'
"$zdmond" --print-url "${daemon[@]}" --listen "127.0.0.1:$port"
if [[ -t 0 && -t 1 ]]; then
    read -r -p "Open the URL in a browser on this machine; press Enter to stop zdmond and end the tour. "
else
    echo "(no terminal: zdmond stops with the tour)"
fi
stop_zdmond

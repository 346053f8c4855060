#!/usr/bin/env bash
# The Debian packages as an administrator gets them. Builds them
# (scripts/deb.sh), then checks their file lists (the simulator only in its
# private directory, nothing else named libzd_api.so, nothing that widens the
# loader's path), their dependencies, lintian, and zdctl run from the
# packages unpacked into a temporary root (dpkg -x): with --simulator it
# works; without it, and without a vendor library, it says what to install
# and exits 1; one zdmond cycle and its dashboard's login URL from the
# unpacked root.
# Usage: tests/packages_test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh lintian
bash scripts/deb.sh >/dev/null

version=$(dpkg-parsechangelog -SVersion)
upstream=${version%-*}
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir=usr/lib/$multiarch
simulator=$libdir/zdbridge/simulator/libzd_api.so
deb() { echo "build-deb/packages/$1_${version}_$arch.deb"; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
work=$(realpath "$work")

passed=0
failed=0
check() {  # description, command...
    local description=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok      $description"
    else
        failed=$((failed + 1))
        echo "FAILED  $description"
    fi
}
# The files and links of a package (no directories), one per line, sorted.
contents() { dpkg-deb --fsys-tarfile "$(deb "$1")" | tar -t | grep -v '/$' | sed 's|^\./||' | sort; }
same() {  # expected, actual
    [[ $1 == "$2" ]] || { printf '  expected:\n%s\n  got:\n%s\n' "$1" "$2" >&2; return 1; }
}
has() {  # text, part
    [[ $1 == *"$2"* ]] || { printf '  %s\n  lacks: %s\n' "$1" "$2" >&2; return 1; }
}
docs() { printf 'usr/share/doc/%s/changelog.Debian.gz\nusr/share/doc/%s/copyright\n' "$1" "$1"; }

# ---- file lists ----
check "libzdbridge1: the bridge under its SONAME" same "$(sort <<<"$(printf '%s\n' \
    "$libdir/libzdbridge.so.1" "$libdir/libzdbridge.so.$upstream"; docs libzdbridge1)")" "$(contents libzdbridge1)"
check "libzdbridge-dev: header, link, pkg-config file" same "$(sort <<<"$(printf '%s\n' usr/include/zdbridge.h \
    "$libdir/libzdbridge.so" "$libdir/pkgconfig/zdbridge.pc"; docs libzdbridge-dev)")" "$(contents libzdbridge-dev)"
web=$(cd web && find . -type f \( -name '*.html' -o -name '*.css' -o -name '*.js' -o -name '*.svg' -o -name '*.yaml' \) |
      sed 's|^\./|usr/share/zdbridge/web/|')
check "zdbridge-tools: zdctl, zdmond with its unit, configuration, alert rules and dashboard, their manual pages" \
    same "$(sort <<<"$(printf '%s\n' usr/bin/zdctl usr/share/man/man1/zdctl.1.gz usr/bin/zdmond \
    usr/share/man/man8/zdmond.8.gz etc/zdbridge/zdmond.conf lib/systemd/system/zdmond.service \
    usr/share/zdbridge/prometheus/zdmond-rules.yml $web; docs zdbridge-tools)")" "$(contents zdbridge-tools)"
check "zdbridge-simulator: the simulator in its private directory" same "$(sort <<<"$(printf '%s\n' "$simulator"
    docs zdbridge-simulator)")" "$(contents zdbridge-simulator)"
all=$(for package in libzdbridge1 libzdbridge-dev zdbridge-tools zdbridge-simulator; do contents "$package"; done)
check "no other libzd_api.so, none on the loader's default path" \
    same "$simulator" "$(grep 'libzd_api' <<<"$all")"
check "nothing added to the loader's configuration" same "" "$(grep -E '^etc/ld\.so' <<<"$all" || true)"

# ---- control data ----
field() { dpkg-deb -f "$(deb "$1")" "$2"; }
check "the bridge depends on its Debian libraries, not on libzd_api" \
    same "libc6 libgcc-s1 libstdc++6 libtinyxml2.6.2v5 libxml2" \
    "$(field libzdbridge1 Depends | tr ',' '\n' | sed 's/ *(.*//; s/^ *//' | sort | xargs)"
check "-dev and tools need this very bridge" same "libzdbridge1 (= $version)|libzdbridge1 (= $version)" \
    "$(field libzdbridge-dev Depends)|$(field zdbridge-tools Depends | cut -d, -f1)"
check "tools suggest the simulator" has "$(field zdbridge-tools Suggests)" "zdbridge-simulator (= $version)"
dpkg-deb -e "$(deb zdbridge-tools)" "$work/tools"
check "zdmond's configuration is a conffile, its service enabled and started" same \
    "/etc/zdbridge/zdmond.conf|yes|yes" "$(cat "$work/tools/conffiles")|$(grep -q "deb-systemd-helper enable 'zdmond.service'" \
    "$work/tools/postinst" && echo yes)|$(grep -q "deb-systemd-invoke \$_dh_action 'zdmond.service'" "$work/tools/postinst" \
    && echo yes)"
dpkg-deb -e "$(deb libzdbridge1)" "$work/control"
check "shlibs and the ldconfig trigger" same "libzdbridge 1 libzdbridge1 (>= $upstream)|activate-noawait ldconfig" \
    "$(cat "$work/control/shlibs")|$(grep -v '^#' "$work/control/triggers")"

# ---- lintian (an initial upload closes no bug here: that tag is for Debian's archive) ----
check "lintian: no error, no warning" lintian --fail-on error,warning --suppress-tags initial-upload-closes-no-bugs \
    "$(deb libzdbridge1)" "$(deb libzdbridge-dev)" "$(deb zdbridge-tools)" "$(deb zdbridge-simulator)"

# ---- zdctl from the packages unpacked into a temporary root ----
for package in libzdbridge1 libzdbridge-dev zdbridge-tools zdbridge-simulator; do
    dpkg -x "$(deb "$package")" "$work/root"
done
for package in libzdbridge1 zdbridge-tools; do
    dpkg -x "$(deb "$package")" "$work/bare"
done
zdctl() {  # root, arguments...: a clean environment, the enclosure in $work
    local root=$1
    shift
    env -i PATH=/usr/bin:/bin ZD_SIM_STATE="$work/enclosure.json" ZDBRIDGE_DB_PATH="$work/db.xml" \
        ZDBRIDGE_LOG_DIR="$work/" "$root/usr/bin/zdctl" "$@" >"$work/out" 2>"$work/err"
}
zdctl "$work/root" --simulator --version && code=0 || code=$?
check "--version names the bridge and the simulator in the root" same \
    "0|zdctl $upstream
bridge $upstream ($work/root/$libdir/libzdbridge.so.1)
controller: simulator zdsim 1.0.0 ($work/root/$simulator)" "$code|$(cat "$work/out")"
zdctl "$work/root" --simulator status && code=0 || code=$?
check "--simulator status works" has "$code|$(cat "$work/out")" "0|Adapter 0 "
if /sbin/ldconfig -p | grep -q $'\tlibzd_api.so '; then
    echo "skipped: this system has a libzd_api.so on the loader's path"
else
    zdctl "$work/root" status && code=0 || code=$?
    check "without --simulator or a vendor library: what to install, exit 1" has "$code|$(cat "$work/err")" \
        "1|zdctl: no controller library: the enclosure vendor's libzd_api.so is not on the loader's path"
    check "... and how to rehearse instead" has "$(cat "$work/err")" "install zdbridge-simulator"
fi
zdctl "$work/bare" --simulator status && code=0 || code=$?
check "--simulator without zdbridge-simulator: what to install, exit 1" same "1|zdctl: the simulator is not \
installed (no $work/bare/$simulator): install the package zdbridge-simulator" "$code|$(cat "$work/err")"
env -i PATH=/usr/bin:/bin ZD_SIM_STATE="$work/enclosure.json" ZDBRIDGE_DB_PATH="$work/db.xml" ZDBRIDGE_LOG_DIR="$work/" \
    "$work/root/usr/bin/zdmond" --oneshot --simulator --config "$work/root/etc/zdbridge/zdmond.conf" \
    --db "$work/zdmond/events.db" >"$work/out" 2>&1 && code=0 || code=$?
check "zdmond --oneshot --simulator from the root: one cycle, bridge and controller named" has "$code|$(cat "$work/out")" \
    "0|zdmond: loaded bridge $upstream from $work/root/$libdir/libzdbridge.so.1; controller: simulator zdsim 1.0.0 ($work/root/$simulator)"
check "... and its history made" test -s "$work/zdmond/events.db"
env -i PATH=/usr/bin:/bin "$work/root/usr/bin/zdmond" --print-url --config "$work/root/etc/zdbridge/zdmond.conf" \
    --db "$work/zdmond/events.db" >"$work/out" 2>&1 && code=0 || code=$?
check "zdmond --print-url from the root: the login URL with the token it made (0600)" same \
    "0|http://127.0.0.1:9788/login?token=$(cat "$work/zdmond/web-token" 2>/dev/null)|600" \
    "$code|$(cat "$work/out")|$(stat -c %a "$work/zdmond/web-token" 2>/dev/null)"
env -i PATH=/usr/bin:/bin ZD_SIM_STATE="$work/enclosure.json" ZDBRIDGE_DB_PATH="$work/db.xml" ZDBRIDGE_LOG_DIR="$work/" \
    "$work/root/usr/bin/zdmond" --foreground --simulator --config "$work/root/etc/zdbridge/zdmond.conf" \
    --db "$work/zdmond/events.db" --listen 127.0.0.1:0 >"$work/dashboard" 2>&1 &
dashboard=$!
for _ in $(seq 100); do
    grep -q "serving the dashboard" "$work/dashboard" && break
    kill -0 "$dashboard" 2>/dev/null || break
    sleep 0.1
done
kill "$dashboard" 2>/dev/null || true
wait "$dashboard" 2>/dev/null || true
check "zdmond from the root finds its dashboard's files" has "$(cat "$work/dashboard")" \
    "serving the dashboard on http://127.0.0.1:"
check "pkg-config finds the header and the bridge" same "-I$work/root/usr/include -L$work/root/$libdir -lzdbridge" \
    "$(PKG_CONFIG_SYSROOT_DIR="$work/root" PKG_CONFIG_LIBDIR="$work/root/$libdir/pkgconfig" \
        pkg-config --cflags --libs zdbridge | xargs)"

echo "packages: $passed passed, $failed failed"
((failed == 0))

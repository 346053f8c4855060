#!/usr/bin/env bash
# The Debian packages as an administrator gets them. Builds them
# (scripts/deb.sh), then checks their file lists (the simulator only in its
# private directory, nothing else named libzd_api.so, nothing that widens the
# loader's path), their dependencies, lintian, and zdctl run from the
# packages unpacked into a temporary root (dpkg -x): with --simulator it
# works; without it, and without a vendor library, it says what to install
# and exits 1.
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
check "zdbridge-tools: zdctl and its manual page" same "$(sort <<<"$(printf '%s\n' usr/bin/zdctl \
    usr/share/man/man1/zdctl.1.gz; docs zdbridge-tools)")" "$(contents zdbridge-tools)"
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
check "tools suggest the simulator" same "zdbridge-simulator (= $version)" "$(field zdbridge-tools Suggests)"
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
check "pkg-config finds the header and the bridge" same "-I$work/root/usr/include -L$work/root/$libdir -lzdbridge" \
    "$(PKG_CONFIG_SYSROOT_DIR="$work/root" PKG_CONFIG_LIBDIR="$work/root/$libdir/pkgconfig" \
        pkg-config --cflags --libs zdbridge | xargs)"

echo "packages: $passed passed, $failed failed"
((failed == 0))

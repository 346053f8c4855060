#!/usr/bin/env bash
# Builds the Debian packages libzdbridge1, libzdbridge-dev, zdbridge-tools and
# zdbridge-simulator (debian/) into build-deb/packages/, with Debian's build
# flags, in build-deb/ (rebuilt from scratch each time; ccache keeps it quick).
# Usage: scripts/deb.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh build-essential debhelper dpkg-dev help2man
dpkg-checkbuilddeps
debian/rules clean >/dev/null
# Whatever happens, debian/ goes back to its sources (the packages are in
# build-deb/packages): the layering check refuses stray headers in any folder.
trap dh_clean EXIT
debian/rules binary
ls build-deb/packages/*.deb

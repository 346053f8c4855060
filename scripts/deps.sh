#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when one is missing.
# Usage: scripts/deps.sh [extra-package ...]
set -euo pipefail

packages=(g++ make cmake ninja-build pkg-config binutils
          libtinyxml-dev libxml2-dev zlib1g-dev libgtest-dev libgmock-dev nlohmann-json3-dev python3-jsonschema
          libsqlite3-dev libinih-dev libcpp-httplib-dev libssl-dev libsystemd-dev libcli11-dev prometheus openssl
          chromium chromium-driver python3-selenium python3-yaml fonts-dejavu-core "$@")

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    if [[ $(id -u) -ne 0 ]]; then
        echo "error: missing packages and not root; run: apt-get install ${missing[*]}" >&2
        exit 1
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

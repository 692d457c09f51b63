#!/usr/bin/env bash
# Installs the Debian packages the game needs to build, play and test, when any is missing
# (libcurl sends games to a Hall; cpp-httplib, SQLite, libpqxx and OpenSSL build the Hall's server).
# Usage: scripts/setup.sh [EXTRA_PACKAGE ...]
# play.sh runs it as it is; test.sh adds Xvfb, xdotool, xwd and ImageMagick (a recorded game
# in a real window);
# bench/run.sh and scripts/windows-build.sh name the extra packages they need (Google Benchmark,
# Xvfb ...; mingw-w64 and its zlib).
set -euo pipefail

QUELLFORT_PACKAGES=(g++ cmake ninja-build pkg-config libsdl2-dev libsdl2-mixer-dev
    libsdl2-ttf-dev zlib1g-dev fonts-dejavu-core libgtest-dev
    libcurl4-openssl-dev libcpp-httplib-dev libsqlite3-dev libpqxx-dev libssl-dev "$@")

missing=()
for package in "${QUELLFORT_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get -o DPkg::Lock::Timeout=600 update -qq
        apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" >/dev/null
    else
        echo "Some packages are missing. Run this first, then try again:"
        echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}"
        exit 1
    fi
fi

#!/usr/bin/env bash
# The browser game's check, run by test.sh: installs emscripten, Chromium, its driver and
# Selenium when it can, builds build-web/dist/, serves it on 127.0.0.1 and plays it in headless
# Chromium (tests/web/test_web.py). Where the packages cannot be installed it says so in one
# line and succeeds; QUELLFORT_SKIP_WEB=1 skips it outright.
set -uo pipefail
cd "$(dirname "$0")/.."

if [ "${QUELLFORT_SKIP_WEB:-0}" = 1 ]; then
    echo "web: skipped (QUELLFORT_SKIP_WEB=1)"
    exit 0
fi

packages=(emscripten chromium chromium-driver python3-selenium)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "web: skipped, packages missing (sudo apt-get install -y ${missing[*]})"
        exit 0
    fi
    if ! (export DEBIAN_FRONTEND=noninteractive
          apt-get -o DPkg::Lock::Timeout=600 update -qq &&
          apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" >/dev/null); then
        echo "web: skipped, the packages could not be installed (${missing[*]})"
        exit 0
    fi
fi
set -e
bash scripts/web-build.sh
/usr/bin/python3 tests/web/test_web.py "${QUELLFORT_HOST_BUILD:-build}" "${QUELLFORT_WEB_BUILD:-build-web}/dist"

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

bash scripts/optional-packages.sh web emscripten chromium chromium-driver python3-selenium || exit 0

set -e
bash scripts/web-build.sh
web_build=${QUELLFORT_WEB_BUILD:-build-web}
/usr/bin/python3 tests/web/test_web.py "${QUELLFORT_HOST_BUILD:-build}" "$web_build/dist" "$web_build/quellfort-web.zip"

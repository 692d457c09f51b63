#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh xvfb xdotool x11-apps imagemagick time python3
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
# The Hall's tests again on a throwaway PostgreSQL cluster, two servers sharing one database
# among them (installs postgresql when it can; says in one line when it is skipped).
bash scripts/hall-postgres-test.sh build
# The Debian package, installed into a scratch root and started from another folder.
bash scripts/package-test.sh
# The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan).
bash scripts/sanitize.sh
# A few seconds of each fuzz target of the readers of untrusted bytes (build-fuzz, clang).
bash scripts/fuzz-smoke.sh 3
# The native Windows build from the same game code: cross-built and run under Wine
# (installs mingw-w64 and Wine when it can; QUELLFORT_SKIP_WINDOWS=1 skips it).
bash scripts/windows-test.sh
# The browser game: built with emscripten and played in headless Chromium (installs them when it
# can; QUELLFORT_SKIP_WEB=1 skips it).
bash scripts/web-test.sh

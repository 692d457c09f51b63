#!/usr/bin/env bash
# Builds the browser game with Debian's emscripten: first the normal host build, whose
# generators make the font masks, the pictures and the sound effects, then build-web/dist/,
# the folder to serve (python3 -m http.server -d build-web/dist).
# QUELLFORT_HOST_BUILD and QUELLFORT_WEB_BUILD choose other build directories.
set -euo pipefail
cd "$(dirname "$0")/.."

host_build=${QUELLFORT_HOST_BUILD:-build}
web_build=${QUELLFORT_WEB_BUILD:-build-web}
jobs=${QUELLFORT_JOBS:-2}

bash scripts/setup.sh
if ! command -v emcmake >/dev/null; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "emscripten is missing. Run this first, then try again:"
        echo "  sudo apt-get update && sudo apt-get install -y emscripten"
        exit 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq emscripten >/dev/null
fi

cmake -S . -B "$host_build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$host_build" --target game_images game_data quellfort-headless icongen -j"$jobs"
host_build=$(cd "$host_build" && pwd)

# emscripten's tools run on the node installed here, which finds its modules there.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
emcmake cmake -S . -B "$web_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUELLFORT_HOST_BUILD="$host_build" >/dev/null
cmake --build "$web_build" -j"$jobs"

echo "Browser game: $web_build/dist/ ($(cd "$web_build/dist" && ls | tr '\n' ' ')," \
    "$(du -cb "$web_build"/dist/* | tail -1 | cut -f1) bytes)"

#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it. Arguments go to the game
# (for example --window).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target quellfort -j"$(nproc)"
cd build
exec ./quellfort "$@"

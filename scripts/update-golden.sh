#!/usr/bin/env bash
# Rewrites the expected files of the golden runs (tests/golden/) from the current build, for
# a change that is meant to alter what the game does. Read the diff before committing it.
# Usage: scripts/update-golden.sh [NAME ...]   (default: every tests/golden/*.script)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target quellfort-headless game_images game_data -j"$(nproc)"
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for script in tests/golden/*.script; do names+=("$(basename "$script" .script)"); done
fi
for name in "${names[@]}"; do
    tests/golden/run.sh --update "$PWD/build/quellfort-headless" "$PWD/build" "$name"
done
git --no-pager diff --stat -- tests/golden

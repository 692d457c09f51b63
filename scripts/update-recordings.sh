#!/usr/bin/env bash
# Re-records the committed recordings (tests/recordings/) after a change that alters the game on
# purpose (the rules version was raised): each NAME.script is played by the headless runner
# into NAME.qfr, and its summary kept in NAME.summary; the SDL game's recording is made again
# under Xvfb by tests/replay_sdl.sh, the Windows game's under Wine by scripts/windows-smoke.sh,
# the browser game's in headless Chromium by scripts/web-test.sh.
# Usage: scripts/update-recordings.sh [NAME ...]   (default: every script, the SDL, the Windows
# and the browser game)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target quellfort quellfort-headless game_images game_data -j"$(nproc)"
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for script in tests/recordings/*.script; do names+=("$(basename "$script" .script)"); done
    names+=(sdl-game windows-game web-game)
fi
work=$(mktemp -d /tmp/quellfort-recordings.XXXXXX)
trap 'rm -rf "$work"' EXIT
for name in "${names[@]}"; do
    rm -rf "$work/$name" && mkdir -p "$work/$name" && cd "$work/$name"
    ln -s "$root/build/images" images
    cp "$root/build/qfel.dat" qfel.dat
    if [ "$name" = windows-game ]; then
        QUELLFORT_KEEP_RECORDING="$root/tests/recordings/$name.qfr" bash "$root/scripts/windows-smoke.sh"
    elif [ "$name" = web-game ]; then
        (cd "$root" && QUELLFORT_KEEP_RECORDING="$root/tests/recordings/$name.qfr" bash scripts/web-test.sh)
    elif [ "$name" = sdl-game ]; then
        "$root/tests/replay_sdl.sh" "$root/build/quellfort" "$root/build/quellfort-headless" "$root/build" \
            "$root/tests/recordings/$name.qfr"
    else
        "$root/build/quellfort-headless" --record "$root/tests/recordings/$name.qfr" \
            "$root/tests/recordings/$name.script" > /dev/null
    fi
    "$root/build/quellfort-headless" --replay "$root/tests/recordings/$name.qfr" > replayed.txt
    tail -n1 replayed.txt | grep -qx 'replay matches'
    grep -v '^replay' replayed.txt > "$root/tests/recordings/$name.summary"
    echo "$name: $(head -n1 replayed.txt), $(wc -c < "$root/tests/recordings/$name.qfr") bytes"
    cd "$root"
done
git --no-pager diff --stat -- tests/recordings

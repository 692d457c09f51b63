#!/usr/bin/env bash
# One golden run: plays tests/golden/NAME.script through the real quellfort-headless in a
# scratch game folder and compares what came out with the committed expected files:
#   NAME.sounds   the whole sound log
#   NAME.trace    every 600th line of the trace (one per ten seconds of play) and the last
#   NAME.digest   hashes of the whole trace, the sound log, every screenshot and every file
#                 the game left in its folder, and the exit status
# Optional inputs: NAME.qfel replaces qfel.dat, NAME.qfhs is the qfhs.dat the game finds.
# Usage: run.sh [--update] HEADLESS BUILD_DIR NAME
# --update writes the expected files instead of comparing (scripts/update-golden.sh).
set -euo pipefail

update=0
if [ "${1:-}" = --update ]; then update=1; shift; fi
[ $# -eq 3 ] || { echo "usage: run.sh [--update] HEADLESS BUILD_DIR NAME" >&2; exit 2; }
headless=$1 build=$2 name=$3
golden=$(cd "$(dirname "$0")" && pwd)
work="$build/golden-runs/$name"

rm -rf "$work"
mkdir -p "$work/game" "$work/actual"
cd "$work/game"
ln -s "$build/images" images
if [ -f "$golden/$name.qfel" ]; then cp "$golden/$name.qfel" qfel.dat; else cp "$build/qfel.dat" qfel.dat; fi
[ -f "$golden/$name.qfhs" ] && cp "$golden/$name.qfhs" qfhs.dat

status=0
"$headless" --trace ../trace.jsonl --sounds ../actual/"$name.sounds" "$golden/$name.script" || status=$?

awk 'NR % 600 == 1 { print } END { if (NR % 600 != 1) print }' ../trace.jsonl > ../actual/"$name.trace"
{
    echo "exit $status"
    echo "trace $(wc -l < ../trace.jsonl) lines $(sha256sum < ../trace.jsonl | cut -c1-64)"
    echo "sounds $(wc -l < ../actual/"$name.sounds") lines $(sha256sum < ../actual/"$name.sounds" | cut -c1-64)"
    # Screenshots and the files the game wrote, by name (the inputs are hashed as they are now).
    find . -mindepth 1 -maxdepth 1 ! -name images -printf '%f\n' | LC_ALL=C sort | while read -r file; do
        if [ -d "$file" ]; then echo "folder $file"
        else echo "file $file $(sha256sum < "$file" | cut -c1-64)"; fi
    done
} > ../actual/"$name.digest"

cd ../actual
if [ "$update" = 1 ]; then
    cp "$name.sounds" "$name.trace" "$name.digest" "$golden/"
    echo "updated $name"
    exit 0
fi
failed=0
for kind in digest sounds trace; do
    if ! diff -u "$golden/$name.$kind" "$name.$kind" > "$name.$kind.diff"; then
        echo "golden $name: $kind differs (first lines of the diff; all of it in $work/actual)"
        head -c 3000 "$name.$kind.diff"
        echo
        failed=1
    fi
done
exit $failed

#!/usr/bin/env bash
# Records the games the Hall's tests send besides the committed ones (tests/recordings/), with
# the real headless runner from committed scripts:
#   game-1..3.qfr   the committed whole game (tests/recordings/game.script) started at other tick
#                   counts: other recordings of the same game
#   slow.qfr        a whole game presented at 8 frames a second: slowed-down play
#   doctored.qfr    the whole game on an edited qfel.dat: every virus of the easiest kind
# Usage: make_recordings.sh HEADLESS BUILD_DIR OUT_DIR
set -euo pipefail
headless=$1 build=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
committed=$here/../recordings
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# One recording in a fresh game folder: the default table, the given formations.
record() {  # NAME SCRIPT [QFEL]
    rm -rf "$work/game" && mkdir "$work/game"
    ln -s "$build/images" "$work/game/images"
    cp "${3:-$build/qfel.dat}" "$work/game/qfel.dat"
    (cd "$work/game" && "$headless" --record "$out/$1.qfr" "$2" >/dev/null)
}

for copy in 1 2 3; do
    { echo "ticks $((5000 + copy * 7919))"; cat "$committed/game.script"; } >"$work/copy.script"
    record "game-$copy" "$work/copy.script"
done
# Into a game with the alpha ship, then hands off until the formation has won.
printf 'refresh 8\nwait 500\ntap RETURN 200\nwait 300\ntap RETURN 200\nwait 300\ntap RETURN 200\nwait 300\ntap RETURN 200\nwait 1800000\n' >"$work/slow.script"
record slow "$work/slow.script"
sed 's/[0-9]/0/g' "$build/qfel.dat" >"$work/easy.qfel"
record doctored "$committed/game.script" "$work/easy.qfel"

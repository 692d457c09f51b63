#!/usr/bin/env bash
# Alt+Enter in the real SDL game under Xvfb, pressed by xdotool on the title: with Alt let go
# before Enter, and as a plain chord. The title stays, and a plain Enter afterwards moves on to
# the story: the session, recorded and replayed by the headless runner, shows exactly that.
# Usage: alt_enter_sdl.sh GAME HEADLESS BUILD_DIR. Exit 77 (skipped) without Xvfb or xdotool.
set -u
game=$1 headless=$2 build=$3
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "Alt+Enter test skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d /tmp/quellfort-altenter.XXXXXX)
xvfb_pid="" game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -s "$work/stderr" ] && tail -5 "$work/stderr"; exit 1; }

source "$(dirname "$0")/xvfb_display.sh"
start_xvfb "$work" || fail "Xvfb did not start"

mkdir -p "$work/play"
cd "$work/play"
ln -s "$build/images" images
cp "$build/qfel.dat" qfel.dat
ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" SDL_AUDIODRIVER=dummy \
    "$game" --window --record "$work/session.qfr" > /dev/null 2> "$work/stderr" &
game_pid=$!
window=""
for _ in $(seq 200); do
    window=$(xdotool search --name '^Quellfort$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "no window named Quellfort"
xdotool windowfocus --sync "$window" 2>/dev/null
sleep 4  # the intro gives way to the title after three seconds
for _ in 1 2 3; do
    xdotool keydown Alt_L keydown Return; sleep 0.15
    xdotool keyup Alt_L; sleep 0.4   # Enter still held, Alt already let go
    xdotool keyup Return; sleep 0.6
done
for _ in 1 2 3 4 5; do
    xdotool key Alt_L+Return; sleep 0.6
done
xdotool key Return; sleep 0.6
xdotool key Escape
for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
wait "$game_pid"; status=$?; game_pid=""
[ "$status" = 0 ] || fail "the game exited with $status"

"$headless" --replay "$work/session.qfr" --trace "$work/trace" > "$work/replayed" || fail "replay: $(tail -1 "$work/replayed")"
states=$(grep -o '"gameState":[0-9]*' "$work/trace" | uniq | cut -d: -f2 | tr '\n' ' ')
[ "$states" = "0 1 2 " ] || fail "the screens went: $states(0 intro, 1 title, 2 story; wanted 0 1 2)"
echo "Alt+Enter test passed: eight Alt+Enter presses left the title, one Enter moved on"

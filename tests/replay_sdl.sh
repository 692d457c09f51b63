#!/usr/bin/env bash
# A real game recorded and replayed. The SDL game runs in an X window under Xvfb and xdotool
# plays it: the menus, the ship selection, play with shots and steering, a pause, then a game
# lost to the viruses and a name typed for the new high score. The headless runner replays the
# recording in another folder to the same summary ("replay matches"), twice with byte-identical
# traces and sound logs, and never writes qfhs.dat there; the recording cut short at random
# points replays to its cut and says where it ended (exit status 2).
# Usage: replay_sdl.sh GAME HEADLESS BUILD_DIR [KEEP_AS]: KEEP_AS keeps the recording (for
# scripts/update-recordings.sh). Exit 77 (skipped) without Xvfb, xdotool, xwd or
# ImageMagick.
set -u
game=$1 headless=$2 build=$3 keep=${4:-}
for tool in Xvfb xdotool xwd convert compare; do
    command -v "$tool" >/dev/null || { echo "replay test skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d /tmp/quellfort-replay.XXXXXX)
xvfb_pid="" game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -s "$work/play/stderr" ] && tail -5 "$work/play/stderr"; exit 1; }

source "$(dirname "$0")/xvfb_display.sh"
start_xvfb "$work" || fail "Xvfb did not start"
export XDG_CONFIG_HOME="$work/config"  # the defaults, whatever settings the player keeps

# A table any score beats, so the game ends with a name to type.
mkdir -p "$work/play" "$work/elsewhere"
cd "$work/play"
ln -s "$build/images" images
cp "$build/qfel.dat" qfel.dat
printf 'a\r\n-90000\r\nb\r\n-90000\r\nc\r\n-90000\r\nd\r\n-90000\r\ne\r\n-90000\r\n' > qfhs.dat
# Under the sanitizers, the X11 and GL libraries' own allocations at exit are not the game's.
ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" SDL_AUDIODRIVER=dummy \
    "$game" --window --record "$work/session.qfr" > recorded.txt 2> stderr &
game_pid=$!
window=""
for _ in $(seq 200); do
    window=$(xdotool search --name '^Quellfort$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "no window named Quellfort"
xdotool windowfocus --sync "$window" 2>/dev/null
sleep 1
press() { xdotool keydown "$1"; sleep "${2:-0.15}"; xdotool keyup "$1"; sleep 0.4; }
press Return; press Return; press Return        # intro, title, story
press Right; press Left                         # the ship strip turns both ways; alpha
press Return                                    # the game starts
sleep 1.5                                       # the level intro
xdotool keydown space keydown Left; sleep 1.2; xdotool keyup Left keydown Right; sleep 2
xdotool keyup Right keyup space
press p; sleep 1; press p                       # a pause
# The viruses win in about a minute when the ship stands still. The game-over screen, which waits
# for the name, shows the top of its picture as it is: a screenshot a second looks for it.
convert "$build/images/gameover.bmp" -crop 800x250+0+0 +repage "$work/gameover-top.png"
over=""
for _ in $(seq 240); do
    if xwd -root -silent -out "$work/screen.xwd" 2>/dev/null &&
        convert "$work/screen.xwd" -crop 800x250+0+0 +repage "$work/screen-top.png" 2>/dev/null; then
        differing=$(compare -metric AE -fuzz 2% "$work/screen-top.png" "$work/gameover-top.png" null: 2>&1)
        [ "$differing" = 0 ] && over=1 && break
    fi
    sleep 1
done
[ -n "$over" ] || fail "no game-over screen within four minutes"
sleep 0.5
xdotool type --delay 120 "Replay Ace"
press Return
sleep 1
press Escape 0.4
for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
wait "$game_pid"; status=$?; game_pid=""
[ "$status" = 0 ] || fail "the recording game exited with $status"
grep -q '^table Replay\\x20Ace=' recorded.txt || fail "the game did not end with the typed name: $(cat recorded.txt)"
head -c 2 qfhs.dat | grep -q Re || fail "qfhs.dat does not start with the typed name"

cd "$work/elsewhere"
ln -s "$build/images" images
for run in 1 2; do
    "$headless" --replay "$work/session.qfr" --trace trace$run --sounds sounds$run > replayed$run.txt ||
        fail "replay $run: $(tail -1 replayed$run.txt)"
done
tail -1 replayed1.txt | grep -qx 'replay matches' || fail "replay: $(tail -1 replayed1.txt)"
diff <(grep -v "^replay" replayed1.txt) "$work/play/recorded.txt" || fail "the replay's summary differs from the recording's"
cmp -s trace1 trace2 && cmp -s sounds1 sounds2 || fail "two replays of one recording differ"
[ ! -e qfhs.dat ] && [ ! -e qfel.dat ] || fail "the replay wrote files beside itself: $(ls)"

# Cut short: the replay goes to the cut, says where it ended and exits 2; a later cut goes further.
size=$(wc -c < "$work/session.qfr")
last=0
for range in 20 50 80; do
    fraction=$((range + RANDOM % 15))
    head -c $((size * fraction / 100)) "$work/session.qfr" > cut.qfr
    "$headless" --replay cut.qfr > cut.txt; status=$?
    frame=$(sed -n 's/^replay ended at frame \([0-9]*\):.*/\1/p' cut.txt)
    [ "$status" = 2 ] && [ -n "$frame" ] || fail "a recording cut at $fraction %: status $status, $(tail -1 cut.txt)"
    [ "$frame" -gt "$last" ] || fail "a later cut ($fraction %) ended no later (frame $frame)"
    last=$frame
done
[ -z "$keep" ] || cp "$work/session.qfr" "$keep"
echo "replay test passed: $(head -n1 "$work/play/recorded.txt"), $(wc -c < "$work/session.qfr") bytes, replays match"

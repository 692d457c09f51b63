#!/usr/bin/env bash
# Smoke test of the native Windows game under Wine, in a virtual 800 x 600 X display:
#  1. in a fresh game directory it starts, reaches the title screen, whose picture and
#     high-score table must match the Linux build's frame of the same moment, quits on Escape
#     with status 0 and leaves the same qfhs.dat as the Linux build (the default table);
#  2. given a table of other scores in bare LF lines, it shows that table on the title, quits on
#     Escape and leaves the table as it was (no new score to save), as the Linux build does;
#  3. it records a short session (--record) that the Linux headless runner replays to a match.
# Skips with status 0 when Wine, Xvfb, xdotool, xwd or ImageMagick is missing. Builds the game
# with scripts/windows-build.sh first when build-win/dist/quellfort.exe is not there.
# The title screenshots are kept as build-win/smoke/title.png and title-seeded.png.
set -euo pipefail
cd "$(dirname "$0")/.."

host_build=${QUELLFORT_HOST_BUILD:-build}
win_build=${QUELLFORT_WIN_BUILD:-build-win}

skip() {
    echo "windows-smoke: skipped ($1)"
    exit 0
}

wine=$(command -v wine64 || command -v wine || true)
[ -n "$wine" ] || skip "wine is not installed"
for tool in Xvfb xdotool xwd wineboot wineserver; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
convert -version 2>/dev/null | grep -q ImageMagick || skip "ImageMagick is not installed"
if [ ! -f "$win_build/dist/quellfort.exe" ] || [ ! -x "$host_build/quellfort-headless" ]; then
    command -v x86_64-w64-mingw32-g++ >/dev/null || skip "the mingw-w64 cross compiler is not installed"
    QUELLFORT_HOST_BUILD=$host_build QUELLFORT_WIN_BUILD=$win_build scripts/windows-build.sh >/dev/null
fi
host_build=$(cd "$host_build" && pwd)
win_build=$(cd "$win_build" && pwd)

work=$(mktemp -d /tmp/quellfort-smoke.XXXXXX)
xvfb_pid=""
game_pid=""
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A null ALSA device gives Wine a sound card, so the game's DirectSound path runs too.
export HOME=$work/home
mkdir -p "$HOME"
echo 'pcm.!default { type null }' >"$HOME/.asoundrc"

cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "windows-smoke: FAILED: $1"
    for log in "$work"/run*/stderr.log; do
        [ -s "$log" ] && grep -v '^ALSA lib' "$log" | tail -5 | sed "s|^|  $(basename "$(dirname "$log")"): |"
    done
    exit 1
}

# Wine cannot change the X display's mode, so the display is exactly the game's 800 x 600.
start_display() {
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    export DISPLAY=:$(head -n1 "$work/display")
}

# An unmanaged window gets the keys and closes without waiting for a window manager; the GDI
# renderer shows DirectDraw's pixels exactly.
make_prefix() {
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d gdi /f >/dev/null 2>&1
    wineserver -w
}

# The Linux build's headless runner, the same scenario: its frame and its qfhs.dat.
linux_reference() {
    local dir=$work/linux$1
    mkdir -p "$dir"
    cp -r "$host_build/images" "$dir/"
    [ -n "${2:-}" ] && cp "$2" "$dir/qfhs.dat"
    printf 'wait %s\nshot title.bmp\nwait 100\ndown ESCAPE\nwait 300\nup ESCAPE\nwait 200\n' "$3" >"$dir/run.txt"
    (cd "$dir" && "$host_build/quellfort-headless" run.txt >/dev/null 2>&1) || fail "the Linux reference run $1 failed"
}

start_game() {
    local dir=$work/run$1
    mkdir -p "$dir"
    cp -r "$win_build/dist/." "$dir/"
    [ -n "${2:-}" ] && cp "$2" "$dir/qfhs.dat"
    shift 2
    (cd "$dir" && exec "$wine" quellfort.exe "$@" >stdout.log 2>stderr.log) &
    game_pid=$!
    for _ in $(seq 600); do
        xdotool search --name '^Quellfort$' >/dev/null 2>&1 && return 0
        kill -0 "$game_pid" 2>/dev/null || fail "run $1: the game ended before its window opened"
        sleep 0.1
    done
    fail "run $1: no window named Quellfort within 60 s"
}

# Screenshots until the screen shows the Linux build's title frame, pixel for pixel within the
# rounding of 16-bit colour to 24 (1 %), and the title picture itself above the table.
wait_for_title() {
    local reference=$1 keep=$2 screen=$work/screen
    for _ in $(seq 60); do
        xwd -root -silent -out "$screen.xwd" && convert "$screen.xwd" "$screen.png"
        local differing
        differing=$(compare -metric AE -fuzz 1% "$screen.png" "$reference" null: 2>&1 || true)
        if [ "$differing" = 0 ]; then
            mkdir -p "$win_build/smoke"
            cp "$screen.png" "$win_build/smoke/$keep"
            convert "$screen.png" -crop 800x250+0+0 +repage "$work/band.png"
            convert "$host_build/images/title.bmp" -crop 800x250+0+0 +repage "$work/title-band.png"
            differing=$(compare -metric AE -fuzz 2% "$work/band.png" "$work/title-band.png" null: 2>&1 || true)
            [ "$differing" = 0 ] || fail "the title frame's top differs from images/title.bmp in $differing pixels"
            return 0
        fi
        sleep 0.5
    done
    cp "$screen.png" "$win_build/smoke/last.png" 2>/dev/null || true
    fail "the title screen did not appear within 30 s (last screen differs in $differing pixels)"
}

# Escape held long enough for several passes of the main loop to see it.
quit_game() {
    xdotool keydown Escape
    sleep 0.3
    xdotool keyup Escape
    for _ in $(seq 300); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$game_pid" 2>/dev/null && fail "run $1: the game did not quit within 30 s of Escape"
    local status=0
    wait "$game_pid" || status=$?
    game_pid=""
    [ "$status" = 0 ] || fail "run $1: the game exited with status $status"
}

same_table() {
    cmp -s "$work/run$1/qfhs.dat" "$work/linux$1/qfhs.dat" ||
        fail "run $1: qfhs.dat differs from the Linux build's: $(od -c "$work/run$1/qfhs.dat" | head -3 | tr -s ' ')"
}

started=$SECONDS
start_display
make_prefix

linux_reference 1 "" 3500
start_game 1 ""
wait_for_title "$work/linux1/title.bmp" title.png
quit_game 1
same_table 1

printf 'Zora\n31400\nKivo\n10000\nRusk\n9000\nAmbo\n500\nPelvard\n100\n' >"$work/seeded.dat"
linux_reference 2 "$work/seeded.dat" 3500
start_game 2 "$work/seeded.dat"
wait_for_title "$work/linux2/title.bmp" title-seeded.png
quit_game 2
same_table 2

# A session recorded on Windows: the title, the story and the ship selection, then Escape.
linux_reference 3 "" 3500
start_game 3 "" --record session.qfr
wait_for_title "$work/linux3/title.bmp" title-recorded.png
for key in Return Return Right; do xdotool keydown $key; sleep 0.2; xdotool keyup $key; sleep 0.5; done
quit_game 3
mkdir -p "$work/replay"
(cd "$work/replay" && "$host_build/quellfort-headless" --replay "$work/run3/session.qfr" >replay.log 2>&1) ||
    fail "the Linux replay of the Windows recording: $(tail -1 "$work/replay/replay.log")"
grep -qx 'replay matches' "$work/replay/replay.log" || fail "the Linux replay: $(tail -1 "$work/replay/replay.log")"

echo "windows-smoke: passed in $((SECONDS - started)) s (title shown as on Linux, Escape quits with 0, qfhs.dat as on Linux, fresh and seeded, a Windows recording replays on Linux to a match)"

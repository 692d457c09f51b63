#!/usr/bin/env bash
# Test of the two Windows downloads under Wine, in a virtual 1700 x 1300 X display, where the
# full-screen game shows its picture at twice its size, centred on black:
#  1. the portable zip holds the game and nothing else; unpacked and started from another folder
#     it shows the title as the Linux build draws it, quits on Escape with status 0 and keeps the
#     same qfhs.dat as the Linux build beside quellfort.exe (portable.txt); a table of other
#     scores in bare LF lines is shown and left as the Linux build leaves it;
#     the program carries its icon, version and manifest; --version and --help print to the
#     console, and the program alone says its data is missing;
#  2. the installer installs silently (/S) for the player; the Start-menu shortcut and the
#     Apps & features entry are there; the installed game moves the table an older copy left in
#     its folder to %APPDATA%\Quellfort, shows it, records a session that the Linux headless
#     runner replays to a match, and keeps the table there; the silent uninstall removes the
#     program and leaves the table;
#  3. the Hall: the Linux quellfort-server on a scratch table; the portable game started with
#     --hall plays a game to its game over and sends it in the background with WinHTTP, and says
#     at its exit the line the server's verdict makes; --submit sends a committed whole game
#     (exit 0, on the table with its score and name), a recording that is no finished game
#     (exit 1, the reason), and to a Hall that is gone (exit 1, "could not be reached").
# Skips with status 0 when Wine, Xvfb, xdotool, xwd, unzip, curl, mingw-w64's binutils or
# ImageMagick is missing. Builds the game with scripts/windows-build.sh first when build-win has no installer.
# The title screenshots are kept as build-win/smoke/title.png and title-installed.png.
set -Eeuo pipefail
cd "$(dirname "$0")/.."

host_build=${QUELLFORT_HOST_BUILD:-build}
win_build=${QUELLFORT_WIN_BUILD:-build-win}
version=$(sed -n 's/^project(Quellfort VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip_file=quellfort-$version-windows-x64.zip
setup_file=quellfort-$version-setup.exe

skip() {
    echo "windows-smoke: skipped ($1)"
    exit 0
}

wine=$(command -v wine64 || command -v wine || true)
[ -n "$wine" ] || skip "wine is not installed"
for tool in Xvfb xdotool xwd wineboot wineserver winepath unzip curl strings x86_64-w64-mingw32-objdump; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
convert -version 2>/dev/null | grep -q ImageMagick || skip "ImageMagick is not installed"
if [ ! -f "$win_build/$setup_file" ] || [ ! -x "$host_build/quellfort-headless" ]; then
    command -v x86_64-w64-mingw32-g++ >/dev/null || skip "the mingw-w64 cross compiler is not installed"
    QUELLFORT_HOST_BUILD=$host_build QUELLFORT_WIN_BUILD=$win_build scripts/windows-build.sh >/dev/null
fi
[ -x "$host_build/quellfort-server" ] || cmake --build "$host_build" --target quellfort-server >/dev/null
host_build=$(cd "$host_build" && pwd)
win_build=$(cd "$win_build" && pwd)

work=$(mktemp -d /tmp/quellfort-smoke.XXXXXX)
xvfb_pid=""
game_pid=""
hall_pid=""
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A null ALSA device gives Wine a sound card, so the game's DirectSound path runs too.
export HOME=$work/home
mkdir -p "$HOME"
echo 'pcm.!default { type null }' >"$HOME/.asoundrc"

cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
    [ -n "$hall_pid" ] && kill "$hall_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
# A command that fails outside the checks below still says which one it was.
trap 'echo "windows-smoke: FAILED: line $LINENO: $BASH_COMMAND"' ERR

fail() {
    echo "windows-smoke: FAILED: $1"
    for log in "$work"/run*/stderr.log; do
        [ -s "$log" ] && grep -v '^ALSA lib' "$log" | tail -5 | sed "s|^|  $(basename "$(dirname "$log")"): |"
    done
    exit 1
}

# Twice 800 x 600 and a 50-pixel border fit: the picture is doubled and centred.
SCREEN=1700x1300
PICTURE=1600x1200+50+50
start_display() {
    Xvfb -displayfd 3 -screen 0 ${SCREEN}x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    export DISPLAY=:$(head -n1 "$work/display")
}

# An unmanaged window gets the keys and closes without waiting for a window manager; the GDI
# renderer shows DirectDraw's pixels exactly. A crash ends the program with Wine's line in the
# run's stderr.log, with no debugger attached that could wait for ever.
make_prefix() {
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d gdi /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1
    wineserver -w
}

unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }

# The Linux build's headless runner, the same scenario: its frame and its qfhs.dat.
linux_reference() {
    local dir=$work/linux$1
    mkdir -p "$dir"
    cp -r "$host_build/images" "$dir/"
    [ -n "${2:-}" ] && cp "$2" "$dir/qfhs.dat"
    printf 'wait %s\nshot title.bmp\nwait 100\ndown ESCAPE\nwait 300\nup ESCAPE\nwait 200\n' "$3" >"$dir/run.txt"
    (cd "$dir" && "$host_build/quellfort-headless" run.txt >/dev/null 2>&1) || fail "the Linux reference run $1 failed"
}

# start_game RUN PROGRAM [ARGUMENT ...]: the program started in the folder run$RUN.
start_game() {
    local dir=$work/run$1 program=$2
    shift 2
    mkdir -p "$dir"
    (cd "$dir" && exec "$wine" "$program" "$@" >stdout.log 2>stderr.log) &
    game_pid=$!
    for _ in $(seq 600); do
        xdotool search --name '^Quellfort$' >/dev/null 2>&1 && return 0
        kill -0 "$game_pid" 2>/dev/null || fail "run $1: the game ended before its window opened"
        sleep 0.1
    done
    fail "run $1: no window named Quellfort within 60 s"
}

# Screenshots until the picture shows the Linux build's title frame with each of its pixels a
# 2 x 2 square, pixel for pixel within the rounding of 16-bit colour to 24 (1 %), black around
# it, and the title picture itself above the table.
wait_for_title() {
    local reference=$1 keep=$2 screen=$work/screen differing=""
    convert "$reference" -scale 200% "$work/reference-doubled.png"
    for _ in $(seq 60); do
        xwd -root -silent -out "$screen.xwd" && convert "$screen.xwd" "$screen.png"
        convert "$screen.png" -crop $PICTURE +repage "$screen-picture.png"
        differing=$(compare -metric AE -fuzz 1% "$screen-picture.png" "$work/reference-doubled.png" null: 2>&1 || true)
        if [ "$differing" = 0 ]; then
            mkdir -p "$win_build/smoke"
            cp "$screen.png" "$win_build/smoke/$keep"
            local border
            border=$(convert "$screen.png" -fill black -draw "rectangle 50,50 1649,1249" -format '%[max]' info:)
            [ "$border" = 0 ] || fail "the picture is not centred on black (border up to $border)"
            convert "$screen-picture.png" -sample 50% -crop 800x250+0+0 +repage "$work/band.png"
            convert "$host_build/images/title.bmp" -crop 800x250+0+0 +repage "$work/title-band.png"
            differing=$(compare -metric AE -fuzz 2% "$work/band.png" "$work/title-band.png" null: 2>&1 || true)
            [ "$differing" = 0 ] || fail "the title frame's top differs from images/title.bmp in $differing pixels"
            return 0
        fi
        sleep 0.5
    done
    cp "$screen.png" "$win_build/smoke/last.png" 2>/dev/null || true
    fail "the title screen did not appear within 30 s (last picture differs in $differing pixels)"
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
    settle_wine "run $1"
}

# Each program's Wine processes gone before the next starts, so a later wait for Wine waits for
# that program only. A game that crashed as it ended (seen under load, in a thread of its own,
# after a clean Escape and exit status 0) can leave its debugger behind: that is killed and said.
settle_wine() {
    timeout 60 wineserver -w && return 0
    echo "windows-smoke: NOTE: $1 left Wine processes behind for a minute; killed"
    wineserver -k 2>/dev/null || true
    timeout 30 wineserver -w || fail "$1: Wine did not end when killed"
}

# same_table FILE LINUX_RUN
same_table() {
    cmp -s "$1" "$work/linux$2/qfhs.dat" ||
        fail "$1 differs from the Linux build's qfhs.dat: $(od -c "$1" 2>&1 | head -3 | tr -s ' ')"
}

# The Hall on a port of its own choosing; $hall is its address. A verification may take fifteen
# CPU seconds, as in the Hall's own tests, on a machine busy with Wine.
start_hall() {
    mkdir -p "$work/hall"
    "$host_build/quellfort-server" --listen 127.0.0.1:0 --data "$work/hall" --submit-rate 0 --cpu-limit 15 \
        >"$work/hall/stdout.log" 2>"$work/hall/stderr.log" &
    hall_pid=$!
    for _ in $(seq 100); do
        grep -q 'the Hall at' "$work/hall/stdout.log" && break
        sleep 0.1
    done
    hall=$(sed -n 's|.*the Hall at \(http://127\.0\.0\.1:[0-9]*\)/hall.*|\1|p' "$work/hall/stdout.log")
    [ -n "$hall" ] || fail "the Hall did not start: $(cat "$work/hall/stderr.log")"
}

# submit NAME ADDRESS RECORDING: quellfort.exe --submit; what it printed in $work/submit-NAME.log,
# its exit status in $submitted.
submit() {
    local recording
    recording=$(winepath -w "$(realpath "$3")" | tr -d '\r')
    submitted=0
    (cd "$work" && "$wine" "$portable/quellfort.exe" --submit "$2" "$recording" >"$work/submit-$1.log" 2>&1) ||
        submitted=$?
    tr -d '\r' <"$work/submit-$1.log" >"$work/submit-$1.txt"
}

# The best run of the Hall's all-time table as "SCORE NAME", empty when the table is.
best_run() {
    curl -sf "$hall/api/runs?board=all&limit=1" |
        sed -n 's/.*"name":"\([^"]*\)","score":\(-\{0,1\}[0-9]*\).*/\2 \1/p'
}

started=$SECONDS
start_display
make_prefix
appdata=$(unix_path "$(wine cmd /c echo %APPDATA% | tr -d '\r')")
localappdata=$(unix_path "$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')")
[ -d "$appdata" ] && [ -d "$localappdata" ] || fail "no %APPDATA% ($appdata) or %LOCALAPPDATA% ($localappdata)"

# The zip: the program, its data, the texts and portable.txt; no table, nothing else.
expected=$(printf '%s\n' quellfort.exe qfel.dat README.txt LICENSE.txt portable.txt \
    $(cd "$host_build" && ls images/*.bmp) | sort)
[ "$(unzip -Z1 "$win_build/$zip_file" | sort)" = "$expected" ] ||
    fail "$zip_file holds: $(unzip -Z1 "$win_build/$zip_file" | tr '\n' ' ')"
portable=$work/portable
unzip -q "$win_build/$zip_file" -d "$portable"

# The program's resources: the icon (types 3 and 14), file properties (16) and manifest (24).
types=$(x86_64-w64-mingw32-objdump -p "$portable/quellfort.exe" | sed -n 's/^0[0-9a-f]*   Entry: ID: 0x0000\(..\),.*/\1/p' | tr '\n' ' ')
[ "$types" = "03 0e 10 18 " ] || fail "quellfort.exe's resource types are $types"
[ "$(strings -el "$portable/quellfort.exe" | grep -x -A1 ProductVersion | tail -1)" = "$version" ] ||
    fail "quellfort.exe's file properties lack its version"
manifest=$(strings -a "$portable/quellfort.exe" | grep -E 'dpiAwareness|requestedExecutionLevel|supportedOS' | tr -d ' ')
grep -q 'PerMonitorV2' <<<"$manifest" && grep -q '"asInvoker"' <<<"$manifest" && [ "$(grep -c supportedOS <<<"$manifest")" = 4 ] ||
    fail "quellfort.exe's manifest: $manifest"

[ "$(cd "$work" && "$wine" "$portable/quellfort.exe" --version | tr -d '\r')" = "quellfort $version" ] ||
    fail "quellfort.exe --version does not print 'quellfort $version'"
help=$(cd "$work" && "$wine" "$portable/quellfort.exe" --help | tr -d '\r')
table=$(sed -n 's/^High scores: //p' <<<"$help")
[ "$(unix_path "$table")" = "$portable/qfhs.dat" ] || fail "--help of the portable game names the table $table"
mkdir -p "$work/lone"
cp "$portable/quellfort.exe" "$work/lone/"
status=0
(cd "$work/lone" && "$wine" quellfort.exe >/dev/null 2>"$work/lone/stderr.log") || status=$?
grep -q "^quellfort: the game's pictures and qfel.dat are missing: looked in the current folder, " "$work/lone/stderr.log" &&
    [ "$status" = 1 ] || fail "without its data the game said '$(head -1 "$work/lone/stderr.log")', status $status"

linux_reference 1 "" 3500
start_game 1 "$portable/quellfort.exe"
wait_for_title "$work/linux1/title.bmp" title.png
quit_game 1
same_table "$portable/qfhs.dat" 1

printf 'Zora\n31400\nKivo\n10000\nRusk\n9000\nAmbo\n500\nPelvard\n100\n' >"$work/seeded.dat"
cp "$work/seeded.dat" "$portable/qfhs.dat"
linux_reference 2 "$work/seeded.dat" 3500
start_game 2 "$portable/quellfort.exe"
wait_for_title "$work/linux2/title.bmp" title-seeded.png
quit_game 2
same_table "$portable/qfhs.dat" 2
[ -z "$(find "$work/run1" "$work/run2" -type f ! -name '*.log')" ] ||
    fail "the portable game left files in the folder it was started from"
[ ! -e "$appdata/Quellfort" ] || fail "the portable game wrote to %APPDATA%\\Quellfort"

# The Hall. First a game played with --hall to its game over: idle, the ship is shot down in
# about 40 s of play; the game sends it at once and plays on, and prints the answer when it
# comes. The run is on the table, or, when Wine stalled a frame past 100 ms on a busy machine,
# refused for its timing; either way the line the game printed must be the server's verdict.
start_hall
start_game 4 "$portable/quellfort.exe" --hall "$hall"
wait_for_title "$work/linux2/title.bmp" title-hall.png
for key in Return Return Return; do xdotool keydown $key; sleep 0.2; xdotool keyup $key; sleep 0.5; done
answer_line() { tr -d '\r' <"$work/run4/stdout.log" | grep -E '^(The Hall|Already)' | tail -1; }
for _ in $(seq 150); do
    [ -n "$(answer_line)" ] && break
    kill -0 "$game_pid" 2>/dev/null || fail "run 4: the game ended during play"
    sleep 1
done
quit_game 4
hall_line=$(answer_line)
best=$(best_run)
if [ -n "$best" ]; then
    [ "$hall_line" = "The Hall: rank 1 of all time, score ${best%% *}" ] ||
        fail "--hall: the Hall holds a run of ${best%% *}, the game said '$hall_line'"
else
    [ "$hall_line" = "The Hall refused this game: implausible timing" ] ||
        fail "--hall: nothing on the Hall's table, and the game said '$hall_line'"
    echo "windows-smoke: the Hall refused the game played under Wine for its timing (a stalled frame)"
fi
[ -z "$(find "$work/run4" -type f ! -name '*.log')" ] ||
    fail "--hall left files in the folder it was started from: $(find "$work/run4" -type f ! -name '*.log')"

# --submit: a committed whole game goes on the table with its own score and the name typed in it.
score=$(sed -n 's/^score //p' tests/recordings/game.summary)
submit game "$hall" tests/recordings/game.qfr
[ "$submitted" = 0 ] && grep -qx "The Hall: rank 1 of all time, score $score" "$work/submit-game.txt" ||
    fail "--submit game.qfr: status $submitted, '$(head -1 "$work/submit-game.txt")'"
[ "$(best_run)" = "$score Gracée Hop" ] ||
    fail "after --submit the Hall's best run is '$(best_run)'"
# The address as a player may type it: no scheme, the table's page.
submit short "${hall#http://}/hall/" tests/recordings/windows-game.qfr
[ "$submitted" = 1 ] && grep -qx "The Hall refused this game: not a finished game" "$work/submit-short.txt" ||
    fail "--submit windows-game.qfr: status $submitted, '$(head -1 "$work/submit-short.txt")'"
kill "$hall_pid"
wait "$hall_pid" || true
hall_pid=""
submit gone "$hall" tests/recordings/game.qfr
[ "$submitted" = 1 ] && grep -qx "The Hall could not be reached" "$work/submit-gone.txt" ||
    fail "--submit to a Hall that is gone: status $submitted, '$(head -1 "$work/submit-gone.txt")'"

# The installer, for this player alone.
"$wine" "$win_build/$setup_file" /S || fail "$setup_file /S failed"
installed=$localappdata/Programs/Quellfort
for file in quellfort.exe qfel.dat README.txt LICENSE.txt images/title.bmp uninstall.exe; do
    [ -f "$installed/$file" ] || fail "the installer did not install $file in $installed"
done
[ ! -e "$installed/portable.txt" ] || fail "the installer installed portable.txt"
[ -f "$appdata/Microsoft/Windows/Start Menu/Programs/Quellfort.lnk" ] || fail "no Start-menu shortcut"
entry=$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quellfort' | tr -d '\r')
for value in "DisplayVersion    REG_SZ    $version" 'DisplayIcon    REG_SZ    .*quellfort.exe,0' \
             'EstimatedSize    REG_DWORD    0x' 'UninstallString    REG_SZ    .*uninstall.exe'; do
    grep -q "$value" <<<"$entry" || fail "the Apps & features entry lacks '$value': $entry"
done

# An older copy's table beside the program is moved on the first start and shown.
cp "$work/seeded.dat" "$installed/qfhs.dat"
help=$(cd "$work" && "$wine" "$installed/quellfort.exe" --help | tr -d '\r')
[ "$(unix_path "$(sed -n 's/^High scores: //p' <<<"$help")")" = "$appdata/Quellfort/qfhs.dat" ] ||
    fail "--help of the installed game: $(grep 'High scores' <<<"$help")"
start_game 3 "$installed/quellfort.exe" --record "$(winepath -w "$work/session.qfr" | tr -d '\r')"
wait_for_title "$work/linux2/title.bmp" title-installed.png
for key in Return Return Right; do xdotool keydown $key; sleep 0.2; xdotool keyup $key; sleep 0.5; done
quit_game 3
same_table "$appdata/Quellfort/qfhs.dat" 2
[ ! -e "$installed/qfhs.dat" ] || fail "the older table stayed in the program's folder"
mkdir -p "$work/replay"
(cd "$work/replay" && "$host_build/quellfort-headless" --replay "$work/session.qfr" >replay.log 2>&1) ||
    fail "the Linux replay of the Windows recording: $(tail -1 "$work/replay/replay.log")"
grep -qx 'replay matches' "$work/replay/replay.log" || fail "the Linux replay: $(tail -1 "$work/replay/replay.log")"
# scripts/update-recordings.sh keeps this recording among the committed ones.
[ -z "${QUELLFORT_KEEP_RECORDING:-}" ] || cp "$work/session.qfr" "$QUELLFORT_KEEP_RECORDING"

# The uninstaller runs from a copy of itself in the temporary folder: wait for all of Wine.
settle_wine "the runs before the uninstaller"
"$wine" "$installed/uninstall.exe" /S || fail "uninstall.exe /S failed"
timeout 120 wineserver -w || fail "Wine did not finish within 2 minutes of the uninstaller"
[ ! -e "$installed" ] || fail "the uninstaller left $(ls -R "$installed" | tr '\n' ' ')"
[ ! -e "$appdata/Microsoft/Windows/Start Menu/Programs/Quellfort.lnk" ] || fail "the uninstaller left the shortcut"
! wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quellfort' >/dev/null 2>&1 ||
    fail "the uninstaller left the Apps & features entry"
same_table "$appdata/Quellfort/qfhs.dat" 2

# A crash as the game ends (after its exit status) is said, with the run it happened in. Freeing
# XInput under Wine's XInput thread did that under load; the game keeps XInput loaded now.
for log in "$work"/run*/stderr.log; do
    crash=$(grep -m1 'Unhandled' "$log" || true)
    [ -z "$crash" ] || echo "windows-smoke: NOTE: $(basename "$(dirname "$log")") crashed as it ended: $crash"
done
echo "windows-smoke: passed in $((SECONDS - started)) s (zip and installer: title doubled and centred as on Linux," \
    "Escape quits with 0, the table beside the portable game and in %APPDATA%\\Quellfort for the installed one," \
    "an older table moved there, a Windows recording replays on Linux to a match, the uninstaller leaves the table;" \
    "a game sent to the Hall with --hall, a whole game, a refusal and an absent Hall with --submit)"

#!/usr/bin/env bash
# The real SDL game without a display device: it starts, runs for a second, takes SIGTERM as a
# close request, shuts down through the normal sequence (saving the high scores) and exits 0.
set -u
game="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp -r "$(dirname "$game")/images" "$dir/images" 2>/dev/null || true
cd "$dir"
export XDG_CONFIG_HOME="$dir/config"  # the defaults, whatever settings the player keeps
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$game" --window 2>"$dir/stderr" &
pid=$!
# Start-up ends by creating the missing high-score file; give a loaded machine time to get there.
for _ in $(seq 100); do
    [ -e qfhs.dat ] && break
    sleep 0.1
done
sleep 1
if ! kill -0 "$pid" 2>/dev/null; then
    echo "the game ended by itself:"; cat "$dir/stderr"; exit 1
fi
kill -TERM "$pid"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || { echo "exit status $status"; cat "$dir/stderr"; exit 1; }
[ -s qfhs.dat ] || { echo "no qfhs.dat after shutdown"; exit 1; }
printf 'Kivo\r\n10000\r\nRusk\r\n10000\r\nAmbo\r\n10000\r\nTesmira\r\n10000\r\nPelvard\r\n10000\r\n' | cmp - qfhs.dat || exit 1
# Without any display the game says so in one line and exits 1.
SDL_VIDEODRIVER=none-such "$game" --window 2>"$dir/stderr"
status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <"$dir/stderr")" -eq 1 ] || { echo "no-display exit $status"; cat "$dir/stderr"; exit 1; }
echo "SDL smoke test passed"

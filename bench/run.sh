#!/usr/bin/env bash
# Measures the game's performance figures side by side: headless frames a second over ten
# minutes of scripted play, start-up time, peak memory in both backends, the SDL backend's frame
# pacing under Xvfb at 60 Hz and its CPU use while minimised, and the compositor benchmark.
# Usage: bench/run.sh [BUILD_DIR]   (default build-q; a Release build is configured there)
# Writes the summary to BUILD_DIR/bench-results.txt as well.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/${1:-build-q}
bash scripts/setup.sh libbenchmark-dev xvfb xdotool twm >/dev/null
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null

work=$(mktemp -d)
xpids=()
cleanup() {
    for pid in "${xpids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
results=$build/bench-results.txt
: >"$results"
say() { echo "$*" | tee -a "$results"; }
load() { cut -d' ' -f1-3 /proc/loadavg; }
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

# A game folder: pictures and formations from the build, and a table every score beats, so
# finished games also go through name entry.
game=$work/game
mkdir -p "$game"
ln -s "$build/images" "$game/images"
cp "$build/qfel.dat" "$game/"
low_table() {
    printf 'Low\r\n-100000\r\nLower\r\n-200000\r\nLess\r\n-300000\r\nLeast\r\n-400000\r\nLast\r\n-500000\r\n' >"$game/qfhs.dat"
}
cd "$game"

say "Quellfort performance, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
say ""

# ---- Headless: ten minutes of play, drawing on, no trace ----
"$root/bench/make_play_script.sh" 10 >play.script
say "load before the headless runs: $(load)"
fps=()
for run in 1 2 3 4 5; do
    low_table
    out=$(/usr/bin/time -f 'rss_kb %M' "$build/quellfort-headless" --bench play.script 2>&1)
    fps+=("$(echo "$out" | awk '/frames_per_second/ {print $2}')")
    frames=$(echo "$out" | awk '/^frames / {print $2}')
    headless_rss=$(echo "$out" | awk '/rss_kb/ {print $2}')
done
entered=$(grep -c BENCH qfhs.dat || true)
say "headless, 10 min of play ($frames frames, 5 runs): $(printf '%s\n' "${fps[@]}" | median) frames/s median, best $(printf '%s\n' "${fps[@]}" | sort -n | tail -n1), worst $(printf '%s\n' "${fps[@]}" | sort -n | head -n1) (target >= 20000); $entered names entered in the last run"

# ---- Start-up: a script that closes at once; the whole run is an upper bound ----
echo "close" >close.script
times=()
for run in $(seq 20); do
    start=$(date +%s%N)
    "$build/quellfort-headless" close.script
    times+=($((($(date +%s%N) - start) / 1000)))
done
say "headless start-up to first frame and shutdown, 20 runs: $(printf '%s\n' "${times[@]}" | median | awk '{printf "%.1f", $1/1000}') ms median, $(printf '%s\n' "${times[@]}" | sort -n | tail -n1 | awk '{printf "%.1f", $1/1000}') ms max (target < 100 ms)"
say "headless peak RSS over 10 min of play: $((headless_rss / 1024)) MB (target < 64 MB)"

# ---- SDL backend without a display device ----
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy /usr/bin/time -f 'rss_kb %M' -o dummy.time "$build/quellfort" --window &
time_pid=$!
sleep 3
kill -TERM "$(pgrep -P "$time_pid")"  # a close request: the game shuts down as usual
wait "$time_pid" || true
say "SDL backend (dummy video driver), peak RSS: $(($(awk '/rss_kb/ {print $2}' dummy.time) / 1024)) MB (target < 64 MB)"

# ---- SDL backend in a real X window at 60 Hz: a minute of play, then minimised ----
display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xpids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
twm >/dev/null 2>&1 &
xpids+=($!)
sleep 1
low_table
QUELLFORT_FRAME_LOG=$work/frames.log SDL_AUDIODRIVER=dummy /usr/bin/time -f 'rss_kb %M' -o sdl.time \
    "$build/quellfort" --window &
time_pid=$!
sleep 2
game_pid=$(pgrep -P "$time_pid")
window=$(xdotool search --sync --name '^Quellfort$' | head -n1)
xdotool mousemove --window "$window" 400 300  # the window manager gives the pointer's window the keys
# Keys are held a tenth of a second: the game reads the key state once a frame.
press() { xdotool keydown "$1"; sleep "${2:-0.1}"; xdotool keyup "$1"; }
sleep 3.5
for _ in 1 2 3; do press Return; sleep 0.4; done  # title, story, ship selection, into the game
sleep 1
say "load before the SDL minute: $(load)"
mark_start=$(date +%s%N)
xdotool keydown space
end=$((SECONDS + 60))
while [ "$SECONDS" -lt "$end" ]; do press Left 0.6; press Right 0.7; done
xdotool keyup space
mark_end=$(date +%s%N)
utime() { awk '{print $14 + $15}' "/proc/$game_pid/stat"; }
xdotool windowminimize "$window"
sleep 2
ticks_before=$(utime)
sleep 20
ticks_after=$(utime)
minimised_cpu=$(awk -v t="$((ticks_after - ticks_before))" -v hz="$(getconf CLK_TCK)" 'BEGIN {printf "%.1f", 100 * t / hz / 20}')
kill -TERM "$game_pid"
wait "$time_pid" || true
# The minute of play is the presents between the two marks, found by their share of the log.
play_seconds=$(awk -v a="$mark_start" -v b="$mark_end" 'BEGIN {printf "%.1f", (b - a) / 1e9}')
awk -v seconds="$play_seconds" '
    { t[NR] = $1 }
    END {
        # The last frames before the minimise are the minute of play: take them back from there.
        period = 1 / 60; last = NR - 1; first = last
        while (first > 1 && t[last] - t[first - 1] <= seconds) first--
        worst = -1; late = 0; gap = 0
        for (i = first; i <= last; i++) {
            lateness = t[i] - (t[first] + (i - first) * period)
            if (lateness > worst) worst = lateness
            if (lateness > period) late++
            if (i > first && t[i] - t[i - 1] > gap) gap = t[i] - t[i - 1]
        }
        printf "SDL backend under Xvfb, %.0f s of play: %d frames (%.2f frames/s), latest frame %.2f ms after its deadline, %d frames more than one frame late, longest gap %.2f ms (target: none more than one frame late)\n",
            t[last] - t[first], last - first + 1, (last - first) / (t[last] - t[first]), worst * 1000, late, gap * 1000
    }' "$work/frames.log" | tee -a "$results"
say "SDL backend CPU while minimised (20 s): $minimised_cpu % (target < 5 %)"
say "SDL backend (X11 under Xvfb) peak RSS: $(($(awk '/rss_kb/ {print $2}' sdl.time) / 1024)) MB (target < 64 MB)"
# Without a GPU the renderer above is Mesa's software OpenGL, whose LLVM code alone is about
# 55 MB of that; SDL's own software renderer shows what the game itself needs in an X window.
SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 SDL_AUDIODRIVER=dummy \
    /usr/bin/time -f 'rss_kb %M' -o soft.time "$build/quellfort" --window &
time_pid=$!
sleep 4
kill -TERM "$(pgrep -P "$time_pid")"
wait "$time_pid" || true
say "SDL backend (X11 under Xvfb, SDL's software renderer) peak RSS: $(($(awk '/rss_kb/ {print $2}' soft.time) / 1024)) MB"

# ---- The compositor benchmark: memcpy of a frame, our compositor, SDL2's blitter ----
say ""
say "load before the compositor benchmark: $(load)"
"$build/quellfort-bench" --benchmark_min_time=1 2>/dev/null | grep -E '^BM_|^Benchmark|^---' | tee -a "$results"
say ""
say "load at the end: $(load)"

#!/usr/bin/env bash
# The Hall's figures, printed (never asserted): how fast the server verifies the ten-minute game,
# the time from a POST to its answer, and a load run of 1,000 runs from 16 clients (valid and
# doctored mixed) with the table read meanwhile, against SQLite and against PostgreSQL (a
# throwaway cluster, scripts/postgres-scratch.sh).
# Usage: bench/hall.sh [BUILD_DIR]   (default build-q; a Release build is configured there)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/${1:-build-q}
bash scripts/setup.sh >/dev/null
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target quellfort-server quellfort-headless quellfort-hall-bench game_images game_data >/dev/null

work=$(mktemp -d)
server=""
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
echo "The Hall, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

# Recordings: the ten-minute game of bench/run.sh, and 25 whole games (the committed game started
# at other tick counts: other bytes, the same game).
mkdir -p "$work/game" "$work/valid"
ln -s "$build/images" "$work/game/images"
cp "$build/qfel.dat" "$work/game/"
bench/make_play_script.sh 10 >"$work/ten.script"
(cd "$work/game" && "$build/quellfort-headless" --record "$work/ten.qfr" "$work/ten.script" >/dev/null)
for copy in $(seq 25); do
    rm -f "$work/game/qfhs.dat"
    { echo "ticks $((1000 + copy * 7919))"; cat tests/recordings/game.script; } >"$work/copy.script"
    (cd "$work/game" && "$build/quellfort-headless" --record "$work/valid/game-$copy.qfr" "$work/copy.script" >/dev/null)
done

"$build/server/quellfort-hall-bench" verify "$work/ten.qfr" 10

# One server on a table, without limits per address: sets server (its process) and port.
start_server() {  # TABLE_OPTION VALUE
    "$build/quellfort-server" --listen 127.0.0.1:0 "$@" --submit-rate 0 --request-rate 0 \
        >"$work/server.out" 2>"$work/server.err" &
    server=$!
    for _ in $(seq 100); do grep -q 127.0.0.1 "$work/server.out" 2>/dev/null && break; sleep 0.1; done
    port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/server.out")
}
stop_server() {
    kill "$server"
    wait "$server" || true
    server=""
}

start_server --data "$work/sqlite"
times=()
for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    curl -s -o /dev/null --data-binary @"$work/ten.qfr" "http://127.0.0.1:$port/api/runs?name=Bench"
    times+=($((($(date +%s%N) - start) / 1000000)))
done
echo "POST of the ten-minute game to its answer (SQLite; the first verifies, the rest are found by hash): ${times[*]} ms"
stop_server

echo "SQLite:"
start_server --data "$work/sqlite-load"
"$build/server/quellfort-hall-bench" load 127.0.0.1 "$port" "$work/valid"
stop_server

postgres_load() {
    trap '[ -n "$server" ] && kill "$server"' EXIT
    start_server --database "$QUELLFORT_TEST_POSTGRES/postgres"
    "$build/server/quellfort-hall-bench" load 127.0.0.1 "$port" "$work/valid"
    stop_server
}
export -f start_server stop_server postgres_load
export build work
echo "PostgreSQL:"
bash scripts/postgres-scratch.sh "Hall load on PostgreSQL" bash -c postgres_load

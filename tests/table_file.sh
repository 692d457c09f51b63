#!/usr/bin/env bash
# The high-score file under the real headless runner: two games that end at the same moment in
# one folder both keep their names, twenty times over (with a FIFO where every game once put its
# temporary file); and a damaged table in a read-only folder is left byte for byte, even by a
# session that made a new high score, and the player is told.
# Usage: table_file.sh HEADLESS BUILD_DIR
set -u
headless=$1 build=$2
work=$(mktemp -d /tmp/quellfort-table.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # the read-only case runs as another user
fail() { echo "FAIL: $*"; exit 1; }

# The ship stands still, the viruses win within a minute, and the new high score takes a name.
script() {
    printf 'wait 200\ntap RETURN\nwait 100\ntap RETURN\nwait 100\ntap RETURN\nwait 100\ntap RETURN\n'
    printf 'wait 60000\ntype %s\nwait 500\ntap RETURN\nwait 100\n' "$1"
}
script Ann > "$work/ann.script"
script Bob > "$work/bob.script"
game_folder() {
    mkdir -p "$1"
    ln -s "$build/images" "$1/images"
    cp "$build/qfel.dat" "$1/qfel.dat"
}
low='a\r\n-90000\r\nb\r\n-90000\r\nc\r\n-90000\r\nd\r\n-90000\r\ne\r\n-90000\r\n'
rest='a\r\n-90000\r\nb\r\n-90000\r\nc\r\n-90000\r\n'
# Both games score the same; the one that saved last ranks as the newer and stands first.
printf "Ann\r\n-600\r\nBob\r\n-600\r\n$rest" > "$work/ann-first"
printf "Bob\r\n-600\r\nAnn\r\n-600\r\n$rest" > "$work/bob-first"

for run in $(seq 20); do
    dir="$work/two/$run"
    game_folder "$dir"
    printf "$low" > "$dir/qfhs.dat"
    mkfifo "$dir/qfhs.dat.tmp"
    (cd "$dir" && exec timeout 60 "$headless" "$work/ann.script" 2>>"$work/stderr") & ann=$!
    (cd "$dir" && exec timeout 60 "$headless" "$work/bob.script" 2>>"$work/stderr") & bob=$!
    wait $ann || fail "run $run: the first game ended with $?: $(cat "$work/stderr")"
    wait $bob || fail "run $run: the second game ended with $?: $(cat "$work/stderr")"
    cmp -s "$dir/qfhs.dat" "$work/ann-first" || cmp -s "$dir/qfhs.dat" "$work/bob-first" ||
        fail "run $run: the table lost a name: $(tr '\r\n' ' |' < "$dir/qfhs.dat")"
    left=$(cd "$dir" && ls -A | grep -v -x -e images -e qfel.dat -e qfhs.dat -e qfhs.dat.tmp)
    [ -z "$left" ] || fail "run $run: files left in the folder: $left"
done

# A table cut short in a folder the player cannot write to: no copy can be kept, so it stays.
dir="$work/readonly"
game_folder "$dir"
printf 'Ada\r\n5200\r\nGrace\r\n41' > "$dir/qfhs.dat"
cp "$dir/qfhs.dat" "$work/damaged"
player=()
if [ "$(id -u)" -eq 0 ]; then
    # Root writes anywhere: the player is nobody, who may write the file but not the folder.
    if ! command -v runuser >/dev/null || ! id nobody >/dev/null 2>&1; then
        echo "two games passed; the read-only folder skipped: root without runuser or a nobody user"
        exit 0
    fi
    chown nobody "$dir/qfhs.dat"
    player=(runuser -u nobody --)
else
    chmod a-w "$dir"
fi
(cd "$dir" && exec timeout 60 "${player[@]}" "$headless" "$work/ann.script" 2>"$work/readonly.err") ||
    fail "the game in the read-only folder ended with $?: $(cat "$work/readonly.err")"
chmod u+w "$dir"
cmp -s "$dir/qfhs.dat" "$work/damaged" || fail "the damaged table was changed: $(tr '\r\n' ' |' < "$dir/qfhs.dat")"
[ "$(cd "$dir" && ls -A | tr '\n' ' ')" = "images qfel.dat qfhs.dat " ] || fail "files made: $(ls -A "$dir")"
grep -q "left as it is" "$work/readonly.err" && grep -q "not saved" "$work/readonly.err" ||
    fail "the player was not told: $(cat "$work/readonly.err")"
echo "table file test passed: 20 pairs of games kept both names; the damaged table stayed"

#!/usr/bin/env bash
# Settings never change a game. The golden whole game played on other keys (bound in a settings
# file) gives the very trace and sound log of the golden run; a session recorded with reduced
# flashing, a remapped key and a visit to the options screen replays with "replay matches" on
# the default settings, drawn and unseen alike.
# Usage: settings_runs.sh HEADLESS BUILD_DIR
set -uo pipefail
headless=$1 build=$2
golden=$(cd "$(dirname "$0")/golden" && pwd)
work="$build/golden-runs/settings"
rm -rf "$work" && mkdir -p "$work/game" "$work/replay" && cd "$work/game"
ln -s "$build/images" images
cp "$build/qfel.dat" qfel.dat
failed=0
fail() { echo "FAIL: $*"; failed=1; }
digest() { echo "$(wc -l < "$1") lines $(sha256sum < "$1" | cut -c1-64)"; }

# The golden game on A, D, W, Q and K instead of the arrows, Space, P and Enter.
cat > settings.ini <<'EOF'
[keys]
left = A
right = D
fire = W
pause = Q
enter = K
EOF
sed -E 's/^(tap|down|up) LEFT/\1 A/; s/^(tap|down|up) RIGHT/\1 D/; s/^(tap|down|up) SPACE/\1 W/;
        s/^(tap|down|up) P\b/\1 Q/; s/^(tap|down|up) RETURN/\1 K/' "$golden/game.script" > remapped.script
"$headless" --settings settings.ini --trace ../trace.jsonl --sounds ../sounds.txt remapped.script ||
    fail "the remapped game exited with $?"
grep -qx "trace $(digest ../trace.jsonl)" "$golden/game.digest" || fail "the remapped game's trace differs from the golden game's"
grep -qx "sounds $(digest ../sounds.txt)" "$golden/game.digest" || fail "the remapped game's sounds differ from the golden game's"

# Recorded with reduced flashing and left on A, through the options screen (fire bound to W
# there, a binding refused, one given up with Escape, the volume turned down) and into play.
printf '[keys]\nleft = A\n[accessibility]\nreduced-flashing = yes\n' > settings.ini
cat > session.script <<'EOF'
wait 500
tap RETURN
wait 300
tap O
wait 200
tap DOWN
wait 100
tap DOWN
wait 100
tap RETURN
wait 100
tap W
wait 100
tap UP
wait 100
tap RETURN
wait 100
tap W
wait 100
tap RETURN
wait 100
tap ESCAPE
wait 100
tap DOWN
wait 100
tap DOWN
wait 100
tap DOWN
wait 100
tap DOWN
wait 100
tap DOWN
wait 100
tap LEFT
wait 100
tap ESCAPE
wait 300
tap RETURN
wait 300
tap RETURN
wait 300
tap RETURN
wait 1500
down W
down A
wait 700
up A
down RIGHT
wait 900
up RIGHT
up W
wait 2000
EOF
"$headless" --settings settings.ini --record ../session.qfr session.script > /dev/null || fail "the recording run exited with $?"
grep -q '^fire = W$' settings.ini && grep -q '^volume = 90$' settings.ini ||
    fail "the options screen did not keep fire on W and the volume at 90: $(tr '\n' ' ' < settings.ini)"
cd ../replay
ln -s "$build/images" images
for verify in "" --verify; do
    out=$("$headless" $verify --replay ../session.qfr 2>&1)
    status=$?
    [ "$status" = 0 ] && grep -qx 'replay matches' <<< "$out" ||
        fail "replay ${verify:-drawn} on the defaults: exit $status: $(tail -n 3 <<< "$out" | tr '\n' ' ')"
done
[ ! -e settings.ini ] || fail "a replay wrote settings"
[ "$failed" = 0 ] && echo "settings change no game: remapped golden run identical, recording replays on defaults"
exit $failed

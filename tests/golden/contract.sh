#!/usr/bin/env bash
# The headless runner's command-line contract, which other programs rely on: the exit status
# of a usage error and of a malformed script, the trace's field names, calendar time from the
# script's `time` setting.
# Usage: contract.sh HEADLESS BUILD_DIR
set -uo pipefail
headless=$1 build=$2
work="$build/golden-runs/contract"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
ln -s "$build/images" images
cp "$build/qfel.dat" qfel.dat
failed=0
fail() { echo "FAIL: $*"; failed=1; }

expect_status() {  # STATUS DESCRIPTION COMMAND...
    local want=$1 what=$2; shift 2
    "$@" > out.txt 2> err.txt
    local got=$?
    [ "$got" = "$want" ] || fail "$what: exit status $got, wanted $want"
}

# Usage errors: no script, an unknown option, an option without its file, two scripts.
printf 'wait 10\n' > ok.script
expect_status 2 "no script" "$headless"
expect_status 2 "unknown option" "$headless" --fast ok.script
expect_status 2 "--trace without a file" "$headless" ok.script --trace
expect_status 2 "two scripts" "$headless" ok.script ok.script
grep -q '^usage: quellfort-headless' err.txt || fail "a usage error prints the usage line"
expect_status 2 "unknown option" "$headless" --fast ok.script
grep -q -- '--fast' err.txt || fail "an unknown option is named: $(head -n1 err.txt)"
expect_status 0 "--help" "$headless" --help
grep -q '^usage: quellfort-headless' out.txt || fail "--help prints the usage on stdout"
expect_status 2 "missing script file" "$headless" no-such.script

# A malformed script is refused before anything runs, naming its line.
printf 'wait 10\ntap RETURN\nwait soon\n' > bad.script
expect_status 2 "malformed script" "$headless" --trace bad.trace bad.script
grep -q 'line 3' err.txt || fail "the refusal names line 3: $(cat err.txt)"
[ ! -s bad.trace ] || fail "a refused script presents no frame"
printf 'wait 10\ntime 5\n' > late.script
expect_status 2 "a setting after the first wait" "$headless" late.script

# Calendar time: `time` + ms / 1000, and a run that ends normally exits 0.
printf 'time 1234567890\nwait 2600\n' > time.script
expect_status 0 "a normal run" "$headless" --trace time.trace time.script
awk -F'"time":' '/"ms":2[0-9][0-9][0-9],/ { split($2, t, ","); print t[1] }' time.trace | sort -u > seen.txt
[ "$(cat seen.txt)" = 1234567892 ] || fail "time during the third second: $(tr '\n' ' ' < seen.txt)"

# Every field the trace promises, in its order, on the first frame's line.
keys=$(head -n 1 time.trace | grep -o '"[A-Za-z]*":' | tr -d '":' | awk '!seen[$0]++' | tr '\n' ' ')
want="frame ms tick time gameState randState introDeadline screenDeadline warningBlinkOn \
warningBlinkTimer newEntryRow nameLength shipSelect stripLeft infoLeft stripStep stripDeadline \
highScores name score world lives level killCount paused shipKind doubleGun warningLevel \
formationDx virusShotSpeed levelIntroPhase bottomRow leftColumn rightColumn deathHoldUntil \
shipExplosionTimer powerUpFrameTimer background ship x y frameX frameY state armour invulnerableUntil \
viruses kind frameTimer shields left top right bottom projectiles owner extraLifeItem active \
extraGunItem "
for key in $want; do
    case " $keys" in *" $key "*) ;; *) fail "the trace has no field $key" ;; esac
done
[ "$(head -n 1 time.trace | grep -o '"viruses":\[[^]]*\]' | grep -o '"kind"' | wc -l)" = 30 ] ||
    fail "the trace lists 30 viruses"
[ "$(head -n 1 time.trace | grep -o '"projectiles":\[[^]]*\]' | grep -o '"owner"' | wc -l)" = 15 ] ||
    fail "the trace lists 15 shot slots"

[ $failed = 0 ] && echo "the headless runner keeps its contract"
exit $failed

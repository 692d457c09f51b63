#!/usr/bin/env bash
# A committed recording replayed by the headless runner from an empty folder: it must match, with
# the committed summary, drawn and verified alone, and say nothing on stderr (the pictures are
# found beside the runner, as the game finds them). Usage: run.sh HEADLESS NAME
set -uo pipefail
headless=$1 name=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/quellfort-recording.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
failed=0
for mode in "" --verify; do
    "$headless" --replay "$here/$name.qfr" $mode > out.txt 2> err.txt
    status=$?
    [ "$status" = 0 ] && [ "$(tail -n1 out.txt)" = "replay matches" ] ||
        { echo "FAIL: $name ${mode:-drawn}: exit $status, $(tail -n1 out.txt) $(head -n2 err.txt)"; failed=1; }
    grep -v '^replay' out.txt | diff - "$here/$name.summary" > /dev/null ||
        { echo "FAIL: $name ${mode:-drawn}: the summary differs from the committed one"; failed=1; }
    [ ! -s err.txt ] || { echo "FAIL: $name ${mode:-drawn}: said on stderr: $(head -n3 err.txt)"; failed=1; }
done
[ -z "$(ls)" ] || [ "$(ls)" = "$(printf 'err.txt\nout.txt')" ] || { echo "FAIL: the replay wrote $(ls)"; failed=1; }
[ $failed = 0 ] && echo "$name: replay matches, drawn and verified"
exit $failed

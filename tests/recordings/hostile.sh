#!/usr/bin/env bash
# Recordings and command lines as an attacker would write them, through the real runner: other
# rules, an older format, flipped bits, a bomb that unpacks to gigabytes, things that are not
# files, outputs on top of inputs, outputs that cannot be written. Each must be refused with one
# line and the right exit status, in bounded memory, and leave every file as it was.
# Usage: hostile.sh HEADLESS
set -uo pipefail
headless=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/quellfort-hostile.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
failed=0
fail() { echo "FAIL: $*"; failed=1; }
expect() {  # STATUS PATTERN DESCRIPTION COMMAND...: exit status and a line of stdout+stderr
    local want=$1 pattern=$2 what=$3; shift 3
    "$@" > out.txt 2>&1; local got=$?
    [ "$got" = "$want" ] || fail "$what: exit $got, wanted $want: $(tail -n2 out.txt)"
    grep -qE "$pattern" out.txt || fail "$what: no line matching '$pattern': $(tail -n2 out.txt)"
}
cp "$here/game.qfr" game.qfr

# Another rules version names both; the first format version says it is older.
python3 - <<'PY'
import struct
data = bytearray(open('game.qfr', 'rb').read())
data[12:16] = struct.pack('<I', 999)
open('rules.qfr', 'wb').write(data)
open('v1.qfr', 'wb').write(b'QFRECORD' + struct.pack('<I', 1) + b'\x05\x00build' + bytes(40))
PY
expect 2 'rules version 999 .*rules version 1$' "another rules version" "$headless" --replay rules.qfr
expect 2 'made by an older version of the game' "a version 1 recording" "$headless" --replay v1.qfr

# One flipped bit anywhere in the packed entries is damage, never a match or a divergence.
python3 - <<'PY'
import random
data = open('game.qfr', 'rb').read()
start = 12 + 4 + 1 + data[16] + 1 + data[17 + data[16]]
random.seed(7)
for i in range(24):
    at = random.randrange(start, len(data))
    flipped = bytearray(data)
    flipped[at] ^= 1 << random.randrange(8)
    open('flip%02d.qfr' % i, 'wb').write(flipped)
PY
for file in flip*.qfr; do
    expect 2 '^quellfort: flip.*: damaged recording: ' "a flipped bit ($file)" "$headless" --replay "$file" --verify
done

# A bomb: half a megabyte that unpacks to half a gigabyte; memory and time stay bounded.
python3 - <<'PY'
import struct, zlib
z = zlib.compressobj(9)
head = b'QFRECORD' + struct.pack('<II', 2, 1) + b'\x05bombs\x08headless'
out = [head, z.compress(b'\x01' * (64 << 20))]
for _ in range(7): out.append(z.compress(b'\x01' * (64 << 20)))
out.append(z.flush())
open('bomb.qfr', 'wb').write(b''.join(out))
PY
/usr/bin/env time -f '%M' -o rss.txt "$headless" --replay bomb.qfr --verify > out.txt 2>&1
status=$?
[ "$status" = 2 ] && grep -q 'damaged recording' out.txt || fail "the bomb: exit $status, $(tail -n1 out.txt)"
[ "$(tail -n1 rss.txt)" -lt 65536 ] || fail "the bomb took $(tail -n1 rss.txt) KB"

# Not files: a folder, a FIFO, an endless device.
mkdir folder && mkfifo fifo
for thing in folder fifo /dev/zero; do
    expect 2 'not a regular file' "--replay $thing" timeout 10 "$headless" --replay "$thing"
done
expect 2 'not a script file' "a folder as the script" timeout 10 "$headless" folder

# Outputs on top of inputs are refused before anything is opened; files stay as they were.
printf 'wait 100\n' > small.script
printf 'A\n1\nB\n2\nC\n3\nD\n4\nE\n5\n' > qfhs.dat
cp game.qfr before.qfr && cp qfhs.dat before.dat
expect 2 'also read by this run' "--trace on the replayed file" "$headless" --trace game.qfr --replay game.qfr
expect 2 'also read by this run' "--record on the table" "$headless" --record qfhs.dat small.script
expect 2 'also read by this run' "--sounds on the script" "$headless" --sounds ./small.script small.script
cmp -s game.qfr before.qfr && cmp -s qfhs.dat before.dat || fail "a refused output changed a file"

# Outputs that cannot be written fail the run.
expect 1 'could not be written whole' "--trace /dev/full" "$headless" --trace /dev/full small.script
expect 1 'cannot write' "--sounds into a folder" "$headless" --sounds folder small.script
printf 'wait 100\nshot folder\nwait 50\n' > shot.script
expect 1 'cannot write the screenshot' "a screenshot into a folder" "$headless" shot.script

# Help is not an error; an unknown option is named.
"$headless" --help > out.txt 2>&1 || fail "--help exits $?"
expect 2 'unknown option --fast' "an unknown option" "$headless" --fast small.script
[ $failed = 0 ] && echo "hostile recordings and command lines refused as they should be"
exit $failed

#!/usr/bin/env bash
# The game as a player installs it: builds the Debian package, unpacks it into a scratch root,
# starts the installed game from another folder (dummy video driver, scratch XDG_DATA_HOME),
# ends it with SIGTERM, and checks that the table went to $XDG_DATA_HOME/quellfort/qfhs.dat and
# nothing into the folder it started from; that it says in one line, exit status 1, when its
# data folder is missing; then desktop-file-validate, appstreamcli and lintian on what it
# installs. Installs the tools it needs when run as root; otherwise says in one line what it
# leaves out.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUELLFORT_BUILD:-build}
jobs=${QUELLFORT_JOBS:-2}

have_all() {
    for tool in "$@"; do command -v "$tool" >/dev/null || return 1; done
}
if ! have_all dpkg-shlibdeps desktop-file-validate appstreamcli lintian && [ "$(id -u)" -eq 0 ]; then
    echo "Installing: dpkg-dev desktop-file-utils appstream lintian"
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
        dpkg-dev desktop-file-utils appstream lintian >/dev/null 2>&1 || true
fi
if ! have_all dpkg-shlibdeps dpkg-deb cpack; then
    echo "package test skipped: dpkg-dev is not installed (apt-get install dpkg-dev)"
    exit 0
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$jobs" --target quellfort quellfort-server package_files >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/quellfort_${version}_amd64.deb
server_deb=$build/quellfort-server_${version}_amd64.deb
rm -f "$deb" "$server_deb"
(cd "$build" && cpack -G DEB >/dev/null)
[ -f "$deb" ] || { echo "package test: $deb was not built"; exit 1; }

work=$(mktemp -d /tmp/quellfort-package.XXXXXX)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "package test: $1"
    [ -f "$work/stderr" ] && cat "$work/stderr"
    exit 1
}

dpkg-deb -x "$deb" "$work/root"
game=$work/root/usr/games/quellfort
mkdir "$work/start" "$work/data"
cd "$work/start"
[ "$("$game" --version)" = "quellfort $version" ] || fail "--version says $("$game" --version)"
XDG_DATA_HOME=$work/data "$game" --help | grep -qF "High scores: $work/data/quellfort/qfhs.dat" ||
    fail "--help does not name the table"

XDG_DATA_HOME=$work/data SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$game" --window 2>"$work/stderr" &
pid=$!
# Start-up ends by creating the missing table; give a loaded machine time to get there.
for _ in $(seq 150); do
    [ -e "$work/data/quellfort/qfhs.dat" ] && break
    sleep 0.1
done
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "the installed game ended by itself"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
printf 'Kivo\r\n10000\r\nRusk\r\n10000\r\nAmbo\r\n10000\r\nTesmira\r\n10000\r\nPelvard\r\n10000\r\n' |
    cmp -s - "$work/data/quellfort/qfhs.dat" || fail "no default table in \$XDG_DATA_HOME/quellfort/qfhs.dat"
[ -z "$(ls -A "$work/start")" ] || fail "files left in the folder it started from: $(ls -A "$work/start")"
! grep -q "showing black" "$work/stderr" || fail "the installed game did not find its pictures"

# The executable without its data folder: one line naming where it looked, exit status 1.
mkdir "$work/lonely"
cp "$game" "$work/lonely/"
status=0
SDL_VIDEODRIVER=dummy "$work/lonely/quellfort" 2>"$work/stderr" || status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <"$work/stderr")" -eq 1 ] && grep -q "looked in" "$work/stderr" ||
    fail "without its data: exit status $status"
rm "$work/stderr"
cd - >/dev/null

if have_all desktop-file-validate appstreamcli lintian; then
    desktop-file-validate "$work"/root/usr/share/applications/*.desktop
    appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.xml
    lintian --allow-root --fail-on error,warning "$deb" "$server_deb"
else
    echo "package test: validators and lintian left out (not installed; as root: apt-get install desktop-file-utils appstream lintian)"
fi
# The Hall's package beside it: its server starts from the scratch root and answers.
[ -f "$server_deb" ] || fail "$server_deb was not built"
dpkg-deb -x "$server_deb" "$work/server-root"
server=$work/server-root/usr/bin/quellfort-server
[ "$("$server" --version)" = "quellfort-server $version" ] || fail "quellfort-server --version says $("$server" --version)"
[ -f "$work/server-root/usr/lib/systemd/system/quellfort-server.service" ] || fail "no systemd unit in $server_deb"
"$server" --listen 127.0.0.1:0 --data "$work/hall" >"$work/server.out" 2>&1 &
pid=$!
for _ in $(seq 50); do grep -q 127.0.0.1 "$work/server.out" && break; sleep 0.1; done
port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/server.out")
exec 3<>"/dev/tcp/127.0.0.1/$port" && printf 'GET /healthz HTTP/1.0\r\n\r\n' >&3 && grep -q '^ok' <&3 ||
    fail "the installed quellfort-server does not answer /healthz"
exec 3>&-
kill -TERM "$pid"
wait "$pid" || fail "quellfort-server ended with status $? after SIGTERM"
pid=""
[ -f "$work/hall/hall.sqlite3" ] || fail "the installed quellfort-server kept no table in its --data folder"
echo "package test passed: $(basename "$deb") $(basename "$server_deb")"

#!/usr/bin/env bash
# The Hall's tests on PostgreSQL: starts a throwaway cluster from Debian's postgresql package in a
# scratch folder, as an unprivileged user (nobody, when run as root), runs the Hall's test
# program against it (the same tests as on SQLite, and two servers sharing one database), and
# stops it. Installs postgresql when run as root; otherwise says in one line that it is skipped.
# Usage: scripts/hall-postgres-test.sh [BUILD_DIR]   (default build, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tests=$build/tests/hall/quellfort-hall-tests
[ -x "$tests" ] || { echo "Hall PostgreSQL tests: $tests is not built"; exit 1; }
bash scripts/optional-packages.sh "Hall PostgreSQL tests" postgresql || exit 0
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ]; then
    echo "Hall PostgreSQL tests: skipped, no PostgreSQL server in /usr/lib/postgresql"
    exit 0
fi

work=$(mktemp -d /tmp/quellfort-hall-pg.XXXXXX)
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$work"
    as_owner=(runuser -u nobody --)
fi
cleanup() {
    "${as_owner[@]}" "$bin/pg_ctl" stop -D "$work/data" -m fast >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# A port nobody listens on.
port=$((20000 + RANDOM % 20000))
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done

"${as_owner[@]}" "$bin/initdb" -D "$work/data" -U hall --auth=trust >"$work/initdb.log" 2>&1 ||
    { cat "$work/initdb.log"; exit 1; }
"${as_owner[@]}" "$bin/pg_ctl" start -D "$work/data" -w -l "$work/server.log" \
    -o "-p $port -k $work -c listen_addresses=127.0.0.1" >/dev/null ||
    { cat "$work/server.log"; exit 1; }

QUELLFORT_TEST_POSTGRES="postgresql://hall@127.0.0.1:$port" "$tests" --gtest_brief=1
echo "Hall PostgreSQL tests passed (PostgreSQL $("$bin/postgres" --version | awk '{print $3}'))"

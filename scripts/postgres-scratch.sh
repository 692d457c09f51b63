#!/usr/bin/env bash
# Runs a command beside a throwaway PostgreSQL cluster: initdb in a scratch folder as an
# unprivileged user (nobody, when run as root), the server on a free port of 127.0.0.1 with
# trust authentication for the user hall, then the command with QUELLFORT_TEST_POSTGRES set to
# postgresql://hall@127.0.0.1:PORT, then the cluster stopped and removed. Installs postgresql when
# run as root; otherwise says in one line that the command is skipped (exit 0).
# Usage: scripts/postgres-scratch.sh WHAT COMMAND...   (WHAT names the command in that line)
set -euo pipefail
what=$1
shift
bash "$(dirname "$0")/optional-packages.sh" "$what" postgresql || exit 0
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ]; then
    echo "$what: skipped, no PostgreSQL server in /usr/lib/postgresql"
    exit 0
fi

cluster=$(mktemp -d /tmp/quellfort-postgres.XXXXXX)
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$cluster"
    as_owner=(runuser -u nobody --)
fi
cleanup() {
    "${as_owner[@]}" "$bin/pg_ctl" stop -D "$cluster/data" -m fast >/dev/null 2>&1 || true
    rm -rf "$cluster"
}
trap cleanup EXIT

# A port nobody listens on.
port=$((20000 + RANDOM % 20000))
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done

"${as_owner[@]}" "$bin/initdb" -D "$cluster/data" -U hall --auth=trust >"$cluster/initdb.log" 2>&1 ||
    { cat "$cluster/initdb.log"; exit 1; }
"${as_owner[@]}" "$bin/pg_ctl" start -D "$cluster/data" -w -l "$cluster/server.log" \
    -o "-p $port -k $cluster -c listen_addresses=127.0.0.1" >/dev/null ||
    { cat "$cluster/server.log"; exit 1; }
echo "$what: PostgreSQL $("$bin/postgres" --version | awk '{print $3}') on port $port"
QUELLFORT_TEST_POSTGRES="postgresql://hall@127.0.0.1:$port" "$@"

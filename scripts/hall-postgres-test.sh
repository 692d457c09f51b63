#!/usr/bin/env bash
# The Hall's tests on PostgreSQL: the Hall's test program (the same tests as on SQLite, and two
# servers sharing one database) against a throwaway cluster (scripts/postgres-scratch.sh), which
# installs postgresql when run as root and otherwise says in one line that this is skipped.
# Usage: scripts/hall-postgres-test.sh [BUILD_DIR]   (default build, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
tests=${1:-build}/tests/hall/quellfort-hall-tests
[ -x "$tests" ] || { echo "Hall PostgreSQL tests: $tests is not built"; exit 1; }
bash scripts/postgres-scratch.sh "Hall PostgreSQL tests" "$tests" --gtest_brief=1

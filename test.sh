#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite on SQLite and on a
# throwaway PostgreSQL cluster. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh --test
bash scripts/build.sh

pgdir=$(mktemp -d /tmp/kwpos-pg.XXXXXX)
trap 'bash scripts/pg-cluster.sh stop "$pgdir"' EXIT
export KWPOS_TEST_PG
KWPOS_TEST_PG=$(bash scripts/pg-cluster.sh start "$pgdir")
echo "PostgreSQL test cluster: $KWPOS_TEST_PG"

status=0
echo "== Tests without a database =="
ctest --test-dir build -L nodb --output-on-failure -j2 || status=1
echo "== Test suite on SQLite =="
ctest --test-dir build -L sqlite --output-on-failure -j2 || status=1
echo "== Test suite on PostgreSQL =="
ctest --test-dir build -L pg --output-on-failure -j2 || status=1
exit $status

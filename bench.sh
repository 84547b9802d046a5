#!/usr/bin/env bash
# Builds and runs the benchmark program: our core against the raw engines, on a SQLite file
# and a throwaway PostgreSQL cluster. ./bench.sh --quick is a smoke run at a small size.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh --bench
bash scripts/build.sh
cmake --build build --target kwpos_bench kwpos_main

pgdir=$(mktemp -d /tmp/kwpos-bench-pg.XXXXXX)
trap 'bash scripts/pg-cluster.sh stop "$pgdir"' EXIT
# At the server's default durability: a save waits for its commit to reach the disk.
pg=$(KWPOS_PG_FSYNC=on bash scripts/pg-cluster.sh start "$pgdir")
pgbin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)

./build/bench/kwpos_bench --pg "$pg" --pgbin "$pgbin" --main ./build/kwpos_main "$@"

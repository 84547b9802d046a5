#!/usr/bin/env bash
# Builds and runs the soak program: stations on one database, killed and restarted at random,
# the invariants checked at the end. Without --engine it runs on SQLite, then on PostgreSQL
# (a cluster of its own, restarted once mid-run). Other options go to kwpos_soak as given:
#   --stations N  --ops N  --seed S  --kill-every SECONDS  --no-server-restart  --keep
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh --test
bash scripts/build.sh
cmake --build build --target kwpos_soak

for arg in "$@"; do
  if [ "$arg" = "--engine" ] || [[ "$arg" == --engine=* ]]; then
    exec ./build/soak/kwpos_soak "$@"
  fi
done
status=0
for engine in sqlite pg; do
  ./build/soak/kwpos_soak --engine "$engine" "$@" || status=1
done
exit $status

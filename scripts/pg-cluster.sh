#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests, on a free loopback port.
#   scripts/pg-cluster.sh start DIR   -> prints the connection string
#   scripts/pg-cluster.sh restart DIR -> stops the server and starts it again on the same port
#   scripts/pg-cluster.sh stop DIR
#   scripts/pg-cluster.sh halt DIR     -> the server goes down, its data stays (tests of a lost server)
#   scripts/pg-cluster.sh resume DIR   -> up again on the same port
# The tests run with fsync off; KWPOS_PG_FSYNC=on at start gives a cluster at the server's
# default durability (the benchmark's), kept across restarts.
set -euo pipefail
cmd=$1
dir=$2
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)

as_postgres() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  elif [ "$(id -un)" = postgres ]; then
    "$@"
  else
    # PostgreSQL runs as whoever owns the data folder; an ordinary user can own it too.
    "$@"
  fi
}

server() {
  as_postgres "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-p $(cat "$dir/port") -k $dir -c listen_addresses=127.0.0.1 -c fsync=$(cat "$dir/fsync" 2>/dev/null || echo off) -c max_connections=200" \
    "$1" >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
}

case "$cmd" in
start)
  mkdir -p "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
  port=$(python3 - <<'PY' 2>/dev/null || echo 55432
import socket
s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()
PY
)
  as_postgres "$bin/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 1; }
  # The port is kept beside the data, so a restart comes back where the stations look for it.
  echo "$port" >"$dir/port"
  [ "${KWPOS_PG_FSYNC:-off}" = on ] && echo on >"$dir/fsync" || echo off >"$dir/fsync"
  server start
  as_postgres "$bin/psql" -h 127.0.0.1 -p "$port" -U postgres -d postgres -q -c "create database kwpos_test" >/dev/null
  echo "Provider=PostgreSQL;Host=127.0.0.1;Port=$port;Database=kwpos_test;User ID=postgres"
  ;;
halt)
  as_postgres "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
  ;;
resume)
  server start
  ;;
restart)
  as_postgres "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 60 stop >/dev/null
  server start
  ;;
stop)
  as_postgres "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$dir"
  ;;
esac

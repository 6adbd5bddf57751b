#!/usr/bin/env bash
# Load on hoopstack-leaderboard over the loopback interface with wrk: publishing (every
# request a report of its own) and then the Top 10 page, 64 connections for BENCH_SECONDS
# (20) each, on SQLite and on a throw-away PostgreSQL. Prints requests per second, the 50th
# and 99th percentile latency and the errors (socket errors and answers other than 2xx).
# Usage: leaderboard_bench.sh HOOPSTACK-LEADERBOARD
set -euo pipefail
server_bin=${1:?usage: leaderboard_bench.sh HOOPSTACK-LEADERBOARD}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${BENCH_SECONDS:-20}
connections=64
if ! command -v wrk >/dev/null; then
  echo "leaderboard bench: wrk is missing; skipped"
  exit 0
fi
work=$(mktemp -d)
server_pid=
pg_state=$work/postgres.state
finish() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  "$root/scripts/throwaway-postgres.sh" stop "$pg_state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap finish EXIT

# Starts the server on a free port with the rate limit off (every request comes from one
# address) and sets `port`.
start_server() {
  "$server_bin" --port 0 --database "$1" --publish-limit 0 >"$work/server.out" 2>"$work/server.err" &
  server_pid=$!
  port=
  for _ in $(seq 100); do
    port=$(sed -n 's/.*:\([0-9]*\)\/ with .*/\1/p' "$work/server.out")
    [ -n "$port" ] && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$port" ] || { echo "leaderboard bench: the server did not start:" >&2; cat "$work/server.err" >&2; exit 1; }
}

stop_server() {
  kill "$server_pid"
  wait "$server_pid" 2>/dev/null || true
  server_pid=
}

# One wrk run; prints its line of figures.
measure() {
  local label=$1 url=$2
  shift 2
  local out
  out=$(wrk -t2 -c"$connections" -d"${seconds}s" --latency "$@" "$url")
  local rps p50 p99 non2xx socket
  rps=$(sed -n 's/^Requests\/sec: *\([0-9.]*\).*/\1/p' <<<"$out")
  p50=$(awk '$1 == "50%" {print $2}' <<<"$out")
  p99=$(awk '$1 == "99%" {print $2}' <<<"$out")
  non2xx=$(sed -n 's/.*Non-2xx or 3xx responses: *\([0-9]*\).*/\1/p' <<<"$out")
  socket=$(sed -n 's/.*Socket errors: connect \([0-9]*\), read \([0-9]*\), write \([0-9]*\), timeout \([0-9]*\).*/\1 \2 \3 \4/p' <<<"$out" |
    awk '{print $1 + $2 + $3 + $4}')
  printf 'leaderboard %-28s %9s req/s   p50 %-9s p99 %-9s errors %d\n' "$label" "$rps" "$p50" "$p99" \
    $(( ${non2xx:-0} + ${socket:-0} ))
}

run_backend() {
  local name=$1 database=$2
  start_server "$database"
  measure "$name publish" "http://127.0.0.1:$port/" -s "$here/publish.lua"
  measure "$name Top 10 page" "http://127.0.0.1:$port/"
  stop_server
}

echo "leaderboard bench: wrk, 2 threads, $connections connections, ${seconds} s per run, loopback"
run_backend sqlite "sqlite://$work/leaderboard.db"

pg_url=${HOOPSTACK_TEST_POSTGRES_URL:-}
if [ -z "$pg_url" ]; then
  env -u HOOPSTACK_TEST_POSTGRES_URL "$root/scripts/throwaway-postgres.sh" start "$pg_state" >/dev/null
  [ -f "$pg_state" ] && pg_url=$(head -n 1 "$pg_state")
fi
if [ -z "$pg_url" ]; then
  echo "leaderboard bench: no PostgreSQL; its runs are skipped"
  exit 0
fi
db=hoopstack_bench_$$
psql -q "$pg_url" -c "CREATE DATABASE $db" >/dev/null
case "$pg_url" in *\?*) bench_url="$pg_url&dbname=$db" ;; *) bench_url="$pg_url?dbname=$db" ;; esac
run_backend postgresql "$bench_url"
psql -q "$pg_url" -c "DROP DATABASE $db WITH (FORCE)" >/dev/null

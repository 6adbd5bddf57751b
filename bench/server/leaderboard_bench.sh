#!/usr/bin/env bash
# Load on hoopstack-leaderboard over the loopback interface with wrk: publishing (every
# request a report of its own), the Top 10 page, a level's page, /api/top and the style sheet
# (which reads no database: the pages' rates are printed as shares of its rate), 64
# connections for BENCH_SECONDS (20) each, on SQLite and on a throw-away PostgreSQL, directly and through nginx (TLS, the shipped site
# without its per-address limits, which would refuse a load from one address); on SQLite the
# page again with 10,000 idle connections held open. Prints requests per second, the 50th and
# 99th percentile latency and the errors (socket errors and answers other than 2xx), the page
# rate with idle connections as a share of the rate without, and the server's peak memory.
# On SQLite also publishes that carry a replay, every one replayed in full by the server: a
# whole bot game (server_replay_game, built with the tests) with 64 connections, and the
# costliest replay the server still plays (500,000 frames) with 4; their rates are printed
# with their share of the plain publishes' rate in the same run.
# Usage: leaderboard_bench.sh HOOPSTACK-LEADERBOARD
set -euo pipefail
server_bin=${1:?usage: leaderboard_bench.sh HOOPSTACK-LEADERBOARD}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
idle_bin=$(dirname "$server_bin")/leaderboard_idle_clients
game_bin=$(dirname "$server_bin")/server_replay_game
seconds=${BENCH_SECONDS:-20}
connections=64
idle=10000
if ! command -v wrk >/dev/null; then
  echo "leaderboard bench: wrk is missing; skipped"
  exit 0
fi
# shellcheck source=tests/server/nginx_lib.sh
. "$root/tests/server/nginx_lib.sh"
work=$(mktemp -d /tmp/hoopstack-bench-XXXXXX)
chmod 755 "$work"
server_pid='' nginx_pid='' idle_pid=''
pg_state=$work/postgres.state
finish() {
  for pid in $idle_pid $nginx_pid $server_pid; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  "$root/scripts/throwaway-postgres.sh" stop "$pg_state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap finish EXIT

# Starts the server on a free port with the rate limit off (every request comes from one
# address), trusting nginx, and sets `port`.
start_server() {
  "$server_bin" --port 0 --database "$1" --publish-limit 0 --trust-proxy 127.0.0.1 >"$work/server.out" 2>"$work/server.err" &
  server_pid=$!
  port=$(leaderboard_port "$work/server.out" "$server_pid")
  [ -n "$port" ] || { echo "leaderboard bench: the server did not start:" >&2; cat "$work/server.err" >&2; exit 1; }
}

stop_server() {
  kill "$server_pid"
  wait "$server_pid" 2>/dev/null || true
  server_pid=
}

# nginx with the shipped site in front of the server on `port`, on a free port `tls_port`.
start_nginx() {
  command -v nginx >/dev/null && command -v openssl >/dev/null || return 1
  make_certificate
  tls_port=$(free_port)
  [ -n "$tls_port" ] && site_conf "$root/packaging/nginx/hoopstack-leaderboard.conf" "$tls_port" ssl drop "$port" || return 1
  nginx_conf 2 4096
  start_nginx_site "$tls_port"
}

stop_nginx() {
  kill "$nginx_pid"
  wait "$nginx_pid" 2>/dev/null || true
  nginx_pid=
}

# One wrk run; prints its line of figures and sets `rps`.
measure() {
  local label=$1 url=$2
  shift 2
  local out
  out=$(wrk -t2 -c"${BENCH_CONNECTIONS:-$connections}" -d"${seconds}s" --latency "$@" "$url")
  local p50 p99 non2xx socket
  rps=$(sed -n 's/^Requests\/sec: *\([0-9.]*\).*/\1/p' <<<"$out")
  p50=$(awk '$1 == "50%" {print $2}' <<<"$out")
  p99=$(awk '$1 == "99%" {print $2}' <<<"$out")
  non2xx=$(sed -n 's/.*Non-2xx or 3xx responses: *\([0-9]*\).*/\1/p' <<<"$out")
  socket=$(sed -n 's/.*Socket errors: connect \([0-9]*\), read \([0-9]*\), write \([0-9]*\), timeout \([0-9]*\).*/\1 \2 \3 \4/p' <<<"$out" |
    awk '{print $1 + $2 + $3 + $4}')
  printf 'leaderboard %-36s %9s req/s   p50 %-9s p99 %-9s errors %d\n' "$label" "$rps" "$p50" "$p99" \
    $(( ${non2xx:-0} + ${socket:-0} ))
}

peak_memory() { awk '/^VmHWM:/ {printf "%.0f MB", $2 / 1024}' "/proc/$server_pid/status"; }

run_backend() {
  local name=$1 database=$2
  start_server "$database"
  BENCH_RUN=direct measure "$name publish" "http://127.0.0.1:$port/" -s "$here/publish.lua"
  local publish_rps=$rps
  if [ "$name" = sqlite ] && [ -x "$game_bin" ]; then
    local score ticks replay
    IFS=$'\t' read -r score ticks replay < <("$game_bin" 3 4)
    BENCH_RUN=replay BENCH_REPLAY=$replay BENCH_SCORE=$score BENCH_LEVEL=3 \
      measure "$name publish + replay, $ticks frames" "http://127.0.0.1:$port/" -s "$here/publish.lua"
    echo "leaderboard bench: publishes with a ${#replay}-byte replay of $ticks frames verified:" \
      "$(awk -v a="$rps" -v b="$publish_rps" 'BEGIN { printf "%.1f %%", 100 * a / b }') of the plain publishes' rate"
    IFS=$'\t' read -r score ticks replay < <("$game_bin" idle 500000)
    BENCH_CONNECTIONS=4 BENCH_RUN=idle BENCH_REPLAY=$replay BENCH_SCORE=$score BENCH_LEVEL=1 \
      measure "$name publish + replay, $ticks frames, 4 conn" "http://127.0.0.1:$port/" -s "$here/publish.lua"
    echo "leaderboard bench: publishes with the costliest replay ($ticks frames):" \
      "$(awk -v a="$rps" -v b="$publish_rps" 'BEGIN { printf "%.2f %%", 100 * a / b }') of the plain publishes' rate"
  elif [ "$name" = sqlite ]; then
    echo "leaderboard bench: no $game_bin (built with the tests); publishes with replays skipped"
  fi
  measure "$name Top 10 page" "http://127.0.0.1:$port/"
  local page_rps=$rps
  measure "$name level page (100 rows)" "http://127.0.0.1:$port/level/1"
  local level_rps=$rps
  measure "$name /api/top" "http://127.0.0.1:$port/api/top?level=1"
  local api_rps=$rps
  # The style sheet never reads the database: the peer the table pages are measured against.
  measure "$name style sheet" "http://127.0.0.1:$port/style.css"
  echo "leaderboard bench: $name pages against the style sheet's rate: Top 10 page" \
    "$(awk -v a="$page_rps" -v l="$level_rps" -v j="$api_rps" -v b="$rps" \
       'BEGIN { printf "%.2f, level page %.2f, /api/top %.2f", a / b, l / b, j / b }')"
  if start_nginx; then
    BENCH_RUN=nginx measure "$name publish via nginx" "https://127.0.0.1:$tls_port/" -s "$here/publish.lua"
    measure "$name Top 10 page via nginx" "https://127.0.0.1:$tls_port/"
    stop_nginx
  else
    echo "leaderboard bench: nginx did not start; its runs are skipped"
  fi
  if [ "$name" = sqlite ] && [ -x "$idle_bin" ]; then
    "$idle_bin" "$port" "$idle" $((seconds + 30)) >"$work/idle.out" 2>&1 &
    idle_pid=$!
    for _ in $(seq 300); do grep -q '^held' "$work/idle.out" && break; sleep 0.1; done
    echo "leaderboard bench: $(head -n 1 "$work/idle.out") idle connections"
    measure "$name Top 10 page, $idle idle" "http://127.0.0.1:$port/"
    echo "leaderboard bench: page rate with $idle idle connections: $(awk -v a="$rps" -v b="$page_rps" 'BEGIN { printf "%.0f %%", 100 * a / b }') of the rate without; server peak memory $(peak_memory)"
    kill "$idle_pid" 2>/dev/null || true
    wait "$idle_pid" 2>/dev/null || true
    idle_pid=
  fi
  stop_server
}

echo "leaderboard bench: wrk, 2 threads, $connections connections, ${seconds} s per run, loopback, $(nproc) cores"
run_backend sqlite "sqlite://$work/leaderboard.db"

pg_url=$(postgres_for_bench "$root" "$pg_state")
if [ -z "$pg_url" ]; then
  echo "leaderboard bench: no PostgreSQL; its runs are skipped"
  exit 0
fi
db=hoopstack_bench_$$
psql -q "$pg_url" -c "CREATE DATABASE $db" >/dev/null
case "$pg_url" in *\?*) bench_url="$pg_url&dbname=$db" ;; *) bench_url="$pg_url?dbname=$db" ;; esac
run_backend postgresql "$bench_url"
psql -q "$pg_url" -c "DROP DATABASE $db WITH (FORCE)" >/dev/null

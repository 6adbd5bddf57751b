#!/usr/bin/env bash
# The leaderboard as its tables grow, on SQLite and on a throw-away PostgreSQL. For each size in
# SCALE_SIZES (records over the three levels; 10,000, 1,000,000 and 10,000,000 by default) a new
# database is filled with `admin import` from generated lines, then:
#   - the import's time (until its data is on disk) and the database's size on disk;
#   - 1,000 publishes each at the top, in the middle and at the bottom of level 1, through the
#     leaderboard's own publish without the network: median and 99th percentile, each the
#     middle value of SCALE_RUNS (3) runs;
#   - the Top 10 page and /api/top with wrk, 64 connections, BENCH_SECONDS (20) each.
# Every figure is then given as a ratio to its value at the first (smallest) size of the same run.
# Usage: scale_bench.sh HOOPSTACK-LEADERBOARD
set -euo pipefail
server_bin=${1:?usage: scale_bench.sh HOOPSTACK-LEADERBOARD}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bench_bin=$(dirname "$server_bin")/leaderboard_scale
sizes=${SCALE_SIZES:-10000 1000000 10000000}
seconds=${BENCH_SECONDS:-20}
runs=${SCALE_RUNS:-3}
if ! command -v wrk >/dev/null; then
  echo "scale bench: wrk is missing; skipped"
  exit 0
fi
# shellcheck source=tests/server/nginx_lib.sh
. "$root/tests/server/nginx_lib.sh"
work=$(mktemp -d /tmp/hoopstack-scale-XXXXXX)
server_pid=''
pg_state=$work/postgres.state
finish() {
  [ -z "$server_pid" ] || { kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; }
  "$root/scripts/throwaway-postgres.sh" stop "$pg_state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap finish EXIT

# Requests per second of one wrk run on URL.
page_rate() {
  wrk -t2 -c64 -d"${seconds}s" "$1" | sed -n 's/^Requests\/sec: *\([0-9.]*\).*/\1/p'
}

# One size on one backend: fills DATABASE with N records and prints the row of figures,
# remembering it in $work/NAME.rows.
measure_size() {
  local name=$1 database=$2 records=$3 size_command=$4
  local start import_s
  start=$(date +%s.%N)
  "$bench_bin" lines "$records" | "$server_bin" admin import --database "$database" 2>"$work/import.err" ||
    { echo "scale bench: the import failed:" >&2; cat "$work/import.err" >&2; exit 1; }
  # The import's pages reach the disk before anything is timed: writing back gigabytes behind
  # the publishes' own flushes would be timed with them.
  sync
  import_s=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
  local size_mb
  size_mb=$(eval "$size_command")
  local top middle bottom
  # A commit's flush on a shared disk varies from run to run more than with the size: each
  # figure is the middle one of SCALE_RUNS runs.
  : >"$work/publish.runs"
  for _ in $(seq "$runs"); do
    "$bench_bin" publish "$database" 1000 >>"$work/publish.runs"
  done
  awk '{ n[$2]++; if (!($2 in rank)) rank[$2] = $3; med[$2, n[$2]] = $4; p99[$2, n[$2]] = $5 }
    function middle(a, where, count,   i, j, t, v) {
      for (i = 1; i <= count; i++) v[i] = a[where, i]
      for (i = 1; i <= count; i++) for (j = i + 1; j <= count; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
      return v[int((count + 1) / 2)]
    }
    END { for (w in n) printf "publish %s %s %s %s\n", w, rank[w], middle(med, w, n[w]), middle(p99, w, n[w]) }' \
    "$work/publish.runs" >"$work/publish.out"
  top=$(awk '$2 == "top" {print $4, $5}' "$work/publish.out")
  middle=$(awk '$2 == "middle" {print $4, $5, $3}' "$work/publish.out")
  bottom=$(awk '$2 == "bottom" {print $4, $5, $3}' "$work/publish.out")
  "$server_bin" --port 0 --database "$database" --publish-limit 0 >"$work/server.out" 2>"$work/server.err" &
  server_pid=$!
  local port
  port=$(leaderboard_port "$work/server.out" "$server_pid")
  [ -n "$port" ] || { echo "scale bench: the server did not start:" >&2; cat "$work/server.err" >&2; exit 1; }
  local page api
  page=$(page_rate "http://127.0.0.1:$port/")
  api=$(page_rate "http://127.0.0.1:$port/api/top?level=1")
  kill "$server_pid"
  wait "$server_pid" 2>/dev/null || true
  server_pid=
  # records import_s size_mb top_med top_p99 mid_med mid_p99 mid_rank bot_med bot_p99 bot_rank page api
  echo "$records $import_s $size_mb $top $middle $bottom $page $api" >>"$work/$name.rows"
}

# Prints a backend's rows as a table, then each figure's ratio to the first row.
report() {
  local name=$1
  echo "scale bench: $name"
  awk '{
    printf "  %10d records: import %7.1f s, %8.1f MB on disk; publish top %.3f/%.3f ms, middle (rank %d) %.3f/%.3f ms, bottom (rank %d) %.3f/%.3f ms (median/p99); page %.0f req/s, /api/top %.0f req/s\n",
      $1, $2, $3, $4, $5, $8, $6, $7, $11, $9, $10, $12, $13
  }' "$work/$name.rows"
  awk 'NR == 1 { for (i = 4; i <= 13; i++) base[i] = $i; next }
    {
      worst = 0; which = ""
      split("top-median top-p99 middle-median middle-p99 - bottom-median bottom-p99 - page /api/top", label, " ")
      for (i = 4; i <= 13; i++) {
        if (i == 8 || i == 11 || base[i] == 0) continue
        # Times grow worse upwards, rates downwards.
        r = (i >= 12) ? base[i] / $i : $i / base[i]
        if (r > worst) { worst = r; which = label[i - 3] }
      }
      printf "  %10d records: the worst figure is %s at %.2fx its value at %d records\n", $1, which, worst, first
    }' first="$(awk 'NR == 1 {print $1}' "$work/$name.rows")" "$work/$name.rows"
}

echo "scale bench: sizes $sizes; publishes the middle of $runs runs; wrk 2 threads, 64 connections, ${seconds} s per run; $(nproc) cores"
for records in $sizes; do
  db=$work/scale-$records.sqlite
  measure_size sqlite "sqlite://$db" "$records" \
    "du -cb '$db'* | awk 'END {printf \"%.1f\", \$1 / 1048576}'"
  rm -f "$db" "$db-wal" "$db-shm"
done
report sqlite

pg_url=$(postgres_for_bench "$root" "$pg_state")
if [ -z "$pg_url" ]; then
  echo "scale bench: no PostgreSQL; its runs are skipped"
  exit 0
fi
for records in $sizes; do
  name=hoopstack_scale_$$_$records
  psql -q "$pg_url" -c "CREATE DATABASE $name" >/dev/null
  case "$pg_url" in *\?*) url="$pg_url&dbname=$name" ;; *) url="$pg_url?dbname=$name" ;; esac
  measure_size postgresql "$url" "$records" \
    "psql -Atq '$url' -c 'SELECT pg_database_size(current_database()) / 1048576.0'"
  psql -q "$pg_url" -c "DROP DATABASE $name WITH (FORCE)" >/dev/null
done
report postgresql

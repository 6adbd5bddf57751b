#!/usr/bin/env bash
# A throw-away PostgreSQL 15 for the server's tests: a fresh cluster in a temporary folder,
# reachable only through a Unix socket in that folder, run by an unprivileged user.
#   throwaway-postgres.sh start STATE   starts one and writes its address to STATE
#   throwaway-postgres.sh stop STATE    stops it and removes its folder and STATE
#   throwaway-postgres.sh restart STATE  restarts it (fast shutdown: sessions are cut)
#   throwaway-postgres.sh freeze STATE   stops (SIGSTOP) the server and its backends
#   throwaway-postgres.sh thaw STATE     lets them run again (SIGCONT)
# `start` prints the address (postgresql://...). When HOOPSTACK_TEST_POSTGRES_URL is already
# set, or the PostgreSQL binaries are missing, it starts nothing and says so.
set -euo pipefail
usage="usage: throwaway-postgres.sh start|stop|restart|freeze|thaw STATE"
command=${1:?$usage} state=${2:?$usage}
bin=${POSTGRES_BIN:-/usr/lib/postgresql/15/bin}

# Runs a command as the cluster's owner: ourselves, or `nobody` when we are root (PostgreSQL
# refuses to run as root).
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

case "$command" in
start)
  if [ -n "${HOOPSTACK_TEST_POSTGRES_URL:-}" ]; then
    echo "throwaway-postgres: using HOOPSTACK_TEST_POSTGRES_URL; nothing started"
    exit 0
  fi
  if [ ! -x "$bin/initdb" ]; then
    echo "throwaway-postgres: no PostgreSQL binaries in $bin; the PostgreSQL tests will be skipped"
    rm -f "$state"
    exit 0
  fi
  [ ! -f "$state" ] || "$0" stop "$state"
  dir=$(mktemp -d /tmp/hoopstack-pg-XXXXXX)
  [ "$(id -u)" -ne 0 ] || chown nobody:nogroup "$dir"
  log=$dir/server.log
  if ! as_owner "$bin/initdb" -D "$dir/data" -U hoopstack --auth=trust -E UTF8 --locale=C >"$dir/initdb.log" 2>&1; then
    cat "$dir/initdb.log" >&2
    rm -rf "$dir"
    exit 1
  fi
  # No TCP at all: the socket lives in the cluster's own folder.
  if ! as_owner "$bin/pg_ctl" -D "$dir/data" -l "$log" -w -t 60 \
      -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c max_connections=200" start >/dev/null; then
    cat "$log" >&2
    rm -rf "$dir"
    exit 1
  fi
  url="postgresql://hoopstack@/postgres?host=$dir"
  printf '%s\n%s\n' "$url" "$dir" >"$state"
  echo "$url"
  ;;
stop)
  [ -f "$state" ] || exit 0
  dir=$(sed -n 2p "$state")
  if [ -n "$dir" ] && [ -d "$dir/data" ]; then
    as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true
    rm -rf "$dir"
  fi
  rm -f "$state"
  ;;
restart)
  dir=$(sed -n 2p "$state")
  as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 60 restart >/dev/null
  ;;
freeze | thaw)
  dir=$(sed -n 2p "$state")
  signal=STOP
  [ "$command" = freeze ] || signal=CONT
  # The postmaster's id is the first line of its pid file; its backends are its children.
  main=$(head -n 1 "$dir/data/postmaster.pid")
  # shellcheck disable=SC2046
  kill -s "$signal" "$main" $(ps -o pid= --ppid "$main")
  ;;
*)
  echo "$usage" >&2
  exit 2
  ;;
esac

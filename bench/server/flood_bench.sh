#!/usr/bin/env bash
# A flood of costly replay publishes against hoopstack-leaderboard on SQLite, from many client
# addresses named in X-Forwarded-For (the server trusts 127.0.0.1 as its proxy), and how long
# honest players wait meanwhile: publishes with and without a replay and page loads, against a
# baseline measured before the flood (see leaderboard_flood_clients --help for the figures).
# The costly replay is an idle one of exactly the most frames the server still plays:
# FLOOD_TICKS, else kReplayTickBudget in this checkout's rules/ReplayPlayer.hpp, else 500,000.
# The honest games are 8 bot games of levels 1-3 with different seeds.
# Environment: FLOOD_FLOODERS (150), FLOOD_SECONDS (18), FLOOD_PATTERN (spread or subnet),
# FLOOD_TICKS, FLOOD_CLIENTS and FLOOD_GAME (the leaderboard_flood_clients and
# server_replay_game programs, by default beside the server). Further arguments go to
# leaderboard_flood_clients (e.g. --check --max-verify-ms 10000); its status is the script's.
# Usage: flood_bench.sh HOOPSTACK-LEADERBOARD [CLIENT-OPTION...]
set -euo pipefail
server_bin=${1:?usage: flood_bench.sh HOOPSTACK-LEADERBOARD [CLIENT-OPTION...]}
shift
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
clients_bin=${FLOOD_CLIENTS:-$(dirname "$server_bin")/leaderboard_flood_clients}
game_bin=${FLOOD_GAME:-$(dirname "$server_bin")/server_replay_game}
flooders=${FLOOD_FLOODERS:-150}
seconds=${FLOOD_SECONDS:-18}
pattern=${FLOOD_PATTERN:-spread}
ticks=${FLOOD_TICKS:-$(sed -n 's/.*kReplayTickBudget = \([0-9]*\).*/\1/p' "$root/rules/ReplayPlayer.hpp" 2>/dev/null)}
ticks=${ticks:-500000}
# shellcheck source=tests/server/nginx_lib.sh
. "$root/tests/server/nginx_lib.sh"
work=$(mktemp -d /tmp/hoopstack-flood-XXXXXX)
server_pid=''
finish() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap finish EXIT
for bin in "$server_bin" "$clients_bin" "$game_bin"; do
  [ -x "$bin" ] || { echo "flood bench: $bin is missing" >&2; exit 2; }
done

"$game_bin" idle "$ticks" | sed 's/$/\t1/' >"$work/costly.txt"
for seed in 1 2 3 4 5 6 7 8; do
  level=$(( (seed - 1) % 3 + 1 ))
  printf '%s\t%d\n' "$("$game_bin" "$level" "$seed")" "$level" >>"$work/honest.txt"
done

"$server_bin" --port 0 --database "sqlite://$work/leaderboard.db" --trust-proxy 127.0.0.1 \
  >"$work/server.out" 2>"$work/server.err" &
server_pid=$!
port=$(leaderboard_port "$work/server.out" "$server_pid")
[ -n "$port" ] || { echo "flood bench: the server did not start:" >&2; cat "$work/server.err" >&2; exit 1; }

echo "flood bench: $(nproc) cores (shared with whatever else runs), server $server_bin"
status=0
"$clients_bin" "$port" --flooders "$flooders" --seconds "$seconds" --pattern "$pattern" \
  --costly "$work/costly.txt" --honest "$work/honest.txt" "$@" || status=$?
kill -0 "$server_pid" 2>/dev/null || { echo "flood bench: the server died:" >&2; tail -n 5 "$work/server.err" >&2; status=1; }
if [ "$status" -ne 0 ]; then exit "$status"; fi

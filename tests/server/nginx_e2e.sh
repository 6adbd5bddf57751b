#!/usr/bin/env bash
# The whole public chain on loopback: nginx with the shipped site (packaging/nginx), TLS with a
# throw-away certificate, in front of two leaderboards that share one throw-away PostgreSQL
# database and trust nginx with X-Forwarded-For. Publishes from several loopback addresses,
# the pages, the per-client limits (an IPv6 /64 as one client where a network namespace can
# be made), request smuggling and slow clients, all through nginx;
# with SERVER-REPLAY-GAME also a real game with its replay, verified once across both
# leaderboards, a replay near the address limit, and the replay's download.
# Usage: nginx_e2e.sh HOOPSTACK-LEADERBOARD HOOPSTACK-STORE SITE-CONF THROWAWAY-POSTGRES [SERVER-REPLAY-GAME]
# Exits 77 (skipped) without nginx, openssl, curl or PostgreSQL.
set -euo pipefail
usage="usage: nginx_e2e.sh HOOPSTACK-LEADERBOARD HOOPSTACK-STORE SITE-CONF THROWAWAY-POSTGRES [SERVER-REPLAY-GAME]"
server_bin=${1:?$usage} store_bin=${2:?$usage} site=${3:?$usage} postgres=${4:?$usage} game_bin=${5:-}
for tool in nginx openssl curl; do
  command -v "$tool" >/dev/null || { echo "nginx e2e: no $tool; skipped"; exit 77; }
done
# shellcheck source=tests/server/nginx_lib.sh
. "$(dirname "$0")/nginx_lib.sh"

work=$(mktemp -d /tmp/hoopstack-nginx-XXXXXX)
chmod 755 "$work"
pids=()
slow_group=
finish() {
  [ -z "$slow_group" ] || kill -- "-$slow_group" 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  env -u HOOPSTACK_TEST_POSTGRES_URL "$postgres" stop "$work/pg.state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap finish EXIT
fail() { echo "nginx e2e: $*" >&2; [ -f "$work/error.log" ] && tail -n 20 "$work/error.log" >&2; exit 1; }

env -u HOOPSTACK_TEST_POSTGRES_URL "$postgres" start "$work/pg.state" >/dev/null
[ -f "$work/pg.state" ] || { echo "nginx e2e: no PostgreSQL; skipped"; exit 77; }
db_url=$(head -n 1 "$work/pg.state")

# Two leaderboards on one database, each trusting the proxy on 127.0.0.1.
ports=()
for i in 1 2; do
  "$server_bin" --port 0 --database "$db_url" --trust-proxy 127.0.0.1 >"$work/server$i.out" 2>"$work/server$i.err" &
  pids+=($!)
  port=$(leaderboard_port "$work/server$i.out" "$!")
  [ -n "$port" ] || fail "leaderboard $i did not start: $(cat "$work/server$i.err")"
  ports+=("$port")
done

make_certificate
tls_port=$(free_port)
[ -n "$tls_port" ] || fail "no free port for nginx"
# The shipped site with this run's addresses, both leaderboards upstream.
site_conf "$site" "$tls_port" "ssl http2" keep "${ports[@]}" || fail "the site's listen line was not found"
nginx_conf 1 1024
nginx -t -q -c "$work/nginx.conf" -p "$work" -g 'daemon off;' 2>"$work/nginx-t.log" || fail "nginx refuses the site: $(cat "$work/nginx-t.log")"
start_nginx_site "$tls_port" || fail "nginx did not answer on port $tls_port within 5 s"
pids+=("$nginx_pid")
base="https://127.0.0.1:$tls_port"

# get FROM-ADDRESS PATH: prints the status; the body goes to $work/body.
get() { curl -s --interface "$1" --cacert "$work/cert.pem" -o "$work/body" -w '%{http_code}' "$base$2"; }
code() { "$store_bin" report --encode "$1" "$2" "$3"; }

# Publishes from three addresses.
[ "$(get 127.0.0.2 "/cgi-bin/gameres.pl?e=$(code 500 1 Anna)")" = 200 ] || fail "a publish through nginx failed: $(cat "$work/body")"
grep -q "Anna scored <strong>500</strong>" "$work/body" || fail "the publish page lacks Anna's score"
[ "$(get 127.0.0.3 "/cgi-bin/gameres.pl?e=$(code 400 1 Bo)")" = 200 ] || fail "Bo's publish failed"
[ "$(get 127.0.0.4 "/cgi-bin/gameres.pl?e=$(code 300 2 "$(printf 'C\x9cur')")")" = 200 ] || fail "the code page 1252 name failed"
# Runs a check until it passes, for two seconds at most: a leaderboard notices the other's
# changes and the operator's within a second; twice that allows for a loaded machine.
soon() { for _ in $(seq 20); do "$@" && return 0; sleep 0.1; done; return 1; }

# Both leaderboards show them: one database.
shows_both() { page=$(curl -s "http://127.0.0.1:$1/level/1") && grep -q ">Anna<" <<<"$page" && grep -q ">Bo<" <<<"$page"; }
for port in "${ports[@]}"; do
  soon shows_both "$port" || fail "leaderboard on $port lacks a record"
done
index_shows_coeur() { [ "$(get 127.0.0.5 /)" = 200 ] && grep -q ">Cœur<" "$work/body"; }
soon index_shows_coeur || fail "the index page through nginx lacks Cœur"
head_answer=$(curl -sI --cacert "$work/cert.pem" "$base/")
grep -qi "Content-Security-Policy" <<<"$head_answer" || fail "no security headers through nginx: $head_answer"

# A real game with its replay is verified; the same game under other names, through either
# leaderboard, is stored without the mark; a replay as long as an address allows is read and
# refused; the verified replay downloads through nginx.
if [ -n "$game_bin" ]; then
  IFS=$'\t' read -r score _ replay < <("$game_bin" 2 9)
  [ "$(get 127.0.0.9 "/cgi-bin/gameres.pl?e=$(code "$score" 2 Vera)&r=$replay")" = 200 ] || fail "a publish with a replay failed"
  grep -q "Verified</span>" "$work/body" || fail "the game was not verified: $(grep -o 'Not verified[^<]*' "$work/body")"
  for i in 1 2 3 4; do
    [ "$(get "127.0.0.$((20 + i))" "/cgi-bin/gameres.pl?e=$(code "$score" 2 "Copy$i")&r=$replay")" = 200 ] ||
      fail "copy $i of the game failed"
    grep -q "Not verified: the same game was published before, as record " "$work/body" || fail "copy $i was verified again"
  done
  long=$(head -c 7000 /dev/zero | tr '\0' A)
  [ "$(get 127.0.0.25 "/cgi-bin/gameres.pl?e=$(code 1 2 Long)&r=$long")" = 200 ] || fail "a 7000-byte replay failed: $(head -c 300 "$work/body")"
  grep -q "Not verified: the replay does not decode" "$work/body" || fail "the long replay: $(grep -o 'Not verified[^<]*' "$work/body")"
  verified=$("$server_bin" admin list --level 2 --verification --database "$db_url" | awk -F '\t' '$7 == "verified"')
  { [ "$(wc -l <<<"$verified")" = 1 ] && [ "$(cut -f 4 <<<"$verified")" = Vera ]; } || fail "verified records: $verified"
  id=$(cut -f 1 <<<"$verified")
  curl -s --cacert "$work/cert.pem" -D "$work/replay.head" -o "$work/replay.file" "$base/replay/$id.hoopstack-replay"
  grep -qi '^content-type: application/x-hoopstack-replay' "$work/replay.head" || fail "the replay's type: $(cat "$work/replay.head")"
  grep -qi '^content-disposition: attachment; filename="hoopstack-expert-' "$work/replay.head" || fail "the replay's name: $(cat "$work/replay.head")"
  [ "$(cat "$work/replay.file")" = "$replay" ] || fail "the downloaded replay is not the published one"

  # The costliest replays from one /24, within nginx's publish limit per address: each
  # leaderboard refuses them once the address's or the /24's checking time is spent, and a real game from
  # another /24 is still verified meanwhile.
  IFS=$'\t' read -r _ _ costly < <("$game_bin" idle "$(sed -n 's/.*kReplayTickBudget = \([0-9]*\);.*/\1/p' "$(dirname "$0")/../../rules/ReplayPlayer.hpp")")
  spent=0
  for a in $(seq 60 67); do
    for n in 1 2 3 4 5; do
      status=$(get "127.0.0.$a" "/cgi-bin/gameres.pl?e=$(code 0 1 "Cost$a-$n")&r=$costly")
      if [ "$status" = 429 ] && grep -q "Too many games to check" "$work/body"; then spent=$((spent + 1)); fi
    done
  done
  [ "$spent" -gt 0 ] || fail "40 of the costliest replays from one /24 were all checked"
  IFS=$'\t' read -r score _ replay < <("$game_bin" 1 21)
  [ "$(get 127.0.1.9 "/cgi-bin/gameres.pl?e=$(code "$score" 1 Wren)&r=$replay")" = 200 ] || fail "a publish from another /24 failed"
  grep -q "Verified</span>" "$work/body" || fail "another /24's game was not verified: $(grep -o 'Not verified[^<]*' "$work/body")"
fi

# Forgery: ten better scores under Anna's name from ten addresses push her record off the table
# but not out of the database; hidden by the operator, the forgeries give her row back.
for i in $(seq 10); do
  [ "$(get "127.0.0.$((40 + i))" "/cgi-bin/gameres.pl?e=$(code $((9000 + i)) 1 Anna)")" = 200 ] || fail "forged publish $i failed"
done
"$server_bin" admin list --level 1 --name Anna --database "$db_url" >"$work/anna.list"
[ "$(wc -l <"$work/anna.list")" = 11 ] || fail "Anna's records are not all stored: $(cat "$work/anna.list")"
grep -q "	500	Anna	" "$work/anna.list" || fail "Anna's own 500 was erased"
unlisted_500() { [ "$(get 127.0.0.5 /level/1)" = 200 ] && ! grep -q '<td class="score">500</td>' "$work/body"; }
soon unlisted_500 || fail "Anna's 500 is still listed"
awk -F '\t' '$3 > 9000 { print $1 }' "$work/anna.list" | while read -r id; do
  "$server_bin" admin hide "$id" --database "$db_url" || fail "admin hide $id failed"
done
listed_500() { [ "$(get 127.0.0.5 /level/1)" = 200 ] && grep -q '<td class="name">Anna</td><td class="score">500</td>' "$work/body"; }
soon listed_500 || fail "Anna's 500 is not listed again after hiding the forgeries"

# Per-address limits: one address runs out of publishes, another still publishes.
limited=0
for i in $(seq 1 20); do
  status=$(get 127.0.0.6 "/cgi-bin/gameres.pl?e=$(code "$i" 3 "Many$i")")
  [ "$status" = 429 ] && { limited=1; break; }
done
[ "$limited" = 1 ] || fail "twenty publishes from one address were never limited"
[ "$(get 127.0.0.7 "/cgi-bin/gameres.pl?e=$(code 7 3 Other)")" = 200 ] || fail "another address was limited too"

# One IPv6 /64 is one client for nginx's limits, as for the leaderboard's: checked in a network
# namespace of its own whose loopback device gets the addresses; skipped, and said so, where no
# namespace can be made (a container without CAP_SYS_ADMIN) or no address added.
ipv6_note="IPv6 /64 limits skipped"
if ! command -v unshare >/dev/null || ! command -v ip >/dev/null; then
  echo "nginx e2e: no unshare or ip; the IPv6 /64 limits are not checked"
elif ! unshare --net true 2>/dev/null; then
  echo "nginx e2e: no network namespace can be made here (needs CAP_SYS_ADMIN); the IPv6 /64 limits are not checked"
else
  status=0
  unshare --net "$(dirname "$0")/nginx_ipv6_limits.sh" "$server_bin" "$store_bin" "$site" "$work/ipv6" || status=$?
  case $status in
    0) ipv6_note="IPv6 /64 limits checked" ;;
    77) echo "nginx e2e: the IPv6 /64 limits are not checked" ;;
    *) fail "the IPv6 /64 limits through nginx failed" ;;
  esac
fi

# Smuggling through nginx: a GET whose body is a publish, on the raw TLS stream.
smuggled="GET /cgi-bin/gameres.pl?e=$(code 999999 1 SMUGGLED) HTTP/1.1\r\nHost: x\r\n\r\n"
length=$(printf '%b' "$smuggled" | wc -c)
for attack in "GET /level/1 HTTP/1.1\r\nHost: x\r\nContent-Length: $length\r\n\r\n$smuggled" \
              "GET /level/1 HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\nContent-Length: 0\r\n\r\n$smuggled" \
              "GET /level/1 HTTP/1.1\r\nHost: x\r\nContent-Length : $length\r\n\r\n$smuggled"; do
  { printf '%b' "$attack"; sleep 2; } |
    timeout 10 openssl s_client -quiet -no_ign_eof -connect "127.0.0.1:$tls_port" >"$work/attack.out" 2>/dev/null || true
done
for port in "${ports[@]}"; do
  if curl -s "http://127.0.0.1:$port/level/1" | grep -q SMUGGLED; then fail "a smuggled publish was stored"; fi
done
"$server_bin" admin list --name SMUGGLED --database "$db_url" | grep -q . && fail "a smuggled record is in the database"

# Slow clients: 100 TLS connections that never finish their head, in a process group of their
# own that is ended as a whole afterwards; probes are still answered promptly. The port is the
# inner shell's $0, so its script is quoted as it stands.
# shellcheck disable=SC2016
setsid bash -c 'for i in $(seq 1 100); do
    { printf "GET / HTTP/1.1\r\nHost: x\r\n"; sleep 9; } 2>/dev/null |
      timeout 10 openssl s_client -quiet -connect "127.0.0.1:$0" >/dev/null 2>&1 &
  done
  wait' "$tls_port" &
slow_group=$!
# The probes start once the slow clients hold their connections (established connections to
# nginx's port, counted on the clients' side), or after 5 s at the most.
slow_clients() { awk -v port=":$(printf '%04X' "$tls_port")" '$3 ~ port "$" && $4 == "01"' /proc/net/tcp | wc -l; }
for _ in $(seq 50); do [ "$(slow_clients)" -ge 100 ] && break; sleep 0.1; done
held=$(slow_clients)
# Starved, a probe would wait for the slow clients' 10 s or get nothing; a busy machine only
# delays some a little: nine in ten within a second, all within five.
for i in $(seq 10); do
  curl -s --interface 127.0.0.8 --cacert "$work/cert.pem" -o /dev/null -w '%{http_code} %{time_total}\n' "$base/level/1"
  sleep 0.3
done >"$work/probes"
awk '$1 != 200 { bad++ } $2 >= 1.0 { slow++ } $2 >= 5.0 { bad++ } END { exit !(bad == 0 && slow <= 1) }' "$work/probes" ||
  fail "probes with 100 slow clients (status, seconds): $(paste -sd ' ' "$work/probes")"
kill -- "-$slow_group" 2>/dev/null || true
wait "$slow_group" 2>/dev/null || true
slow_group=
echo "nginx e2e: ok (TLS on port $tls_port, leaderboards on ${ports[*]}; the probes began with $held slow clients connected${game_bin:+; a game verified once of 5 publishes, costly replays from one /24 refused $spent times}; $ipv6_note)"

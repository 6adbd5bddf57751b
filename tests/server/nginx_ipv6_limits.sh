#!/usr/bin/env bash
# nginx's limits key on the leaderboard's client (an IPv4 address or an IPv6 /64), checked in
# the network namespace that nginx_e2e.sh runs this in (unshare --net), whose loopback device
# gets two addresses of one /64 and one of another. nginx listens on one dual-stack socket, so
# IPv4 clients arrive as IPv4-mapped addresses; a leaderboard on SQLite with no publish limit
# of its own trusts it, so every 429 is nginx's.
# Usage: nginx_ipv6_limits.sh HOOPSTACK-LEADERBOARD HOOPSTACK-STORE SITE-CONF WORK-DIR
# Exits 77 (skipped) when the addresses cannot be added.
set -euo pipefail
usage="usage: nginx_ipv6_limits.sh HOOPSTACK-LEADERBOARD HOOPSTACK-STORE SITE-CONF WORK-DIR"
server_bin=${1:?$usage} store_bin=${2:?$usage} site=${3:?$usage} work=${4:?$usage}
# shellcheck source=tests/server/nginx_lib.sh
. "$(dirname "$0")/nginx_lib.sh"
mkdir -p "$work"
chmod 755 "$work"
pids=()
finish() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap finish EXIT
fail() { echo "nginx IPv6 limits: $*" >&2; [ -f "$work/error.log" ] && tail -n 20 "$work/error.log" >&2; exit 1; }

first_a=fd00:5:5:1::2 first_b=fd00:5:5:1:ffff:ffff:ffff:fffe other=fd00:5:5:2::2
ip link set lo up 2>/dev/null || { echo "nginx IPv6 limits: the loopback device cannot be set up; skipped"; exit 77; }
for address in "$first_a" "$first_b" "$other"; do
  ip -6 addr add "$address/64" dev lo nodad 2>/dev/null ||
    { echo "nginx IPv6 limits: $address cannot be added to the loopback device; skipped"; exit 77; }
done

"$server_bin" --port 0 --database "sqlite://$work/board.db" --trust-proxy 127.0.0.1 --publish-limit 0 \
  >"$work/server.out" 2>"$work/server.err" &
pids+=($!)
port=$(leaderboard_port "$work/server.out" "$!")
[ -n "$port" ] || fail "the leaderboard did not start: $(cat "$work/server.err")"

make_certificate
tls_port=$(free_port)
[ -n "$tls_port" ] || fail "no free port for nginx"
site_conf "$site" "$tls_port" ssl keep "$port" || fail "the site's listen line was not found"
sed -i "s/listen 127\.0\.0\.1:$tls_port ssl;/listen [::]:$tls_port ssl ipv6only=off;/" "$work/site.conf"
grep -q "ipv6only=off" "$work/site.conf" || fail "the dual-stack listen line was not written"
nginx_conf 1 256
nginx -t -q -c "$work/nginx.conf" -p "$work" -g 'daemon off;' 2>"$work/nginx-t.log" ||
  fail "nginx refuses the site: $(cat "$work/nginx-t.log")"
start_nginx_site "$tls_port" || fail "nginx did not answer on port $tls_port within 5 s"
pids+=("$nginx_pid")

# publish FROM HOST SCORE: the status of a publish from address FROM to nginx at HOST. The
# certificate names 127.0.0.1 only: TLS is not what is checked here.
publish() {
  curl -s -k --interface "$1" -o "$work/body" -w '%{http_code}' \
    "https://$2:$tls_port/cgi-bin/gameres.pl?e=$("$store_bin" report --encode "$3" 1 Six)"
}
# allowed_in_a_row FROM HOST FIRST-SCORE: publishes until the first 429 (at most 20); prints
# how many were taken.
allowed_in_a_row() {
  local n=0 status
  for i in $(seq 20); do
    status=$(publish "$1" "$2" $(($3 + i)))
    [ "$status" = 429 ] && break
    [ "$status" = 200 ] || fail "a publish from $1 got $status: $(head -c 300 "$work/body")"
    n=$((n + 1))
  done
  echo "$n"
}

# The burst is six publishes (one and five more). Three from one address of the /64 leave
# three to every other address of it; a second /64 has its own six.
for i in 1 2 3; do
  [ "$(publish "$first_a" "[$first_a]" "$i")" = 200 ] || fail "publish $i from $first_a failed"
done
shared=$(allowed_in_a_row "$first_b" "[$first_b]" 100)
[ "$shared" -le 3 ] || fail "$first_b had $shared publishes after $first_a's 3: its /64 is not one client"
[ "$shared" -ge 2 ] || fail "$first_b had only $shared publishes: the burst is smaller than the site says"
grep -q 'limiting requests.*zone "hoopstack_publish", client: fd00:5:5:1:' "$work/error.log" ||
  fail "nginx logged no publish limit for the first /64"
apart=$(allowed_in_a_row "$other" "[$other]" 200)
[ "$apart" -ge 5 ] || fail "the other /64 had only $apart publishes: it shared the first one's allowance"
# IPv4 clients, mapped on the dual-stack socket, are each a client of their own as before.
ipv4_one=$(allowed_in_a_row 127.0.0.2 127.0.0.1 300)
ipv4_two=$(allowed_in_a_row 127.0.0.3 127.0.0.1 400)
{ [ "$ipv4_one" -ge 5 ] && [ "$ipv4_one" -le 7 ] && [ "$ipv4_two" -ge 5 ]; } ||
  fail "IPv4 clients through a dual-stack socket: $ipv4_one and $ipv4_two publishes"
echo "nginx IPv6 limits: ok (one /64 shared 3+$shared publishes, the other /64 had $apart, IPv4 clients $ipv4_one and $ipv4_two)"

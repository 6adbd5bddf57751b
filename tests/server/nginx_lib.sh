# shellcheck shell=bash
# The shipped nginx site on loopback, for a test or a benchmark: the port a leaderboard names,
# a throw-away certificate, a free port, the site rewritten for this run's addresses and nginx
# in the foreground with all its files in the scratch folder `work`; and a PostgreSQL for a
# benchmark. Sourced.
# The sourcing script sets `work` before it calls anything here.
# shellcheck disable=SC2154

# leaderboard_port OUT PID: the port that a hoopstack-leaderboard started with --port 0 (as
# process PID) names in its output file OUT, within 10 s; empty when it never came.
leaderboard_port() {
  local port=''
  for _ in $(seq 100); do
    port=$(sed -n 's/.*:\([0-9]*\)\/ with .*/\1/p' "$1")
    [ -n "$port" ] && break
    kill -0 "$2" 2>/dev/null || break
    sleep 0.1
  done
  echo "$port"
}

# A throw-away certificate for 127.0.0.1 in $work/cert.pem, its key in $work/key.pem.
make_certificate() {
  [ -f "$work/cert.pem" ] && return 0
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
}

# A free port on loopback: one nothing answers on (empty when none was found).
free_port() {
  local candidate
  for _ in $(seq 50); do
    candidate=$((20000 + RANDOM % 30000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then echo "$candidate"; return 0; fi
  done
}

# site_conf SITE PORT LISTEN LIMITS UPSTREAM...: the shipped SITE with this run's addresses in
# $work/site.conf: TLS on 127.0.0.1:PORT with the listen options LISTEN ("ssl" or "ssl http2"),
# the leaderboards on the UPSTREAM ports, no plain-HTTP redirect server. LIMITS is "keep" or
# "drop": a load from one address would run into the per-address limits.
site_conf() {
  local site=$1 port=$2 listen=$3 limits=$4
  shift 4
  awk -v port="$port" -v listen="$listen" -v limits="$limits" -v cert="$work/cert.pem" -v key="$work/key.pem" \
    -v upstreams="$*" '
    /^server \{/ { n++ }
    n == 1 { if (/^}/) n = 1.5; next }
    limits == "drop" && /limit_req |limit_conn / { next }
    /server 127\.0\.0\.1:8080;/ { k = split(upstreams, up, " "); for (i = 1; i <= k; i++) print "    server 127.0.0.1:" up[i] ";"; next }
    /listen 443 ssl http2;/ { print "    listen 127.0.0.1:" port " " listen ";"; next }
    /listen \[::\]:443/ { next }
    /ssl_certificate / { print "    ssl_certificate " cert ";"; next }
    /ssl_certificate_key / { print "    ssl_certificate_key " key ";"; next }
    { print }' "$site" >"$work/site.conf"
  grep -q "listen 127.0.0.1:$port ssl" "$work/site.conf"
}

# nginx_conf WORKERS CONNECTIONS: the main configuration, $work/nginx.conf, around the site.
nginx_conf() {
  mkdir -p "$work/tmp"
  chmod 777 "$work/tmp"
  cat >"$work/nginx.conf" <<CONF
worker_processes $1;
pid $work/nginx.pid;
error_log $work/error.log warn;
events { worker_connections $2; }
http {
  access_log off;
  client_body_temp_path $work/tmp/body;
  proxy_temp_path $work/tmp/proxy;
  fastcgi_temp_path $work/tmp/fastcgi;
  uwsgi_temp_path $work/tmp/uwsgi;
  scgi_temp_path $work/tmp/scgi;
  include $work/site.conf;
}
CONF
}

# start_nginx_site PORT: nginx in the foreground with $work/nginx.conf, as `nginx_pid`; true once
# it answers over TLS on PORT, within 5 s.
start_nginx_site() {
  nginx -c "$work/nginx.conf" -p "$work" -g 'daemon off;' 2>>"$work/error.log" &
  nginx_pid=$!
  for _ in $(seq 50); do
    curl -s -o /dev/null --cacert "$work/cert.pem" "https://127.0.0.1:$1/style.css" && return 0
    kill -0 "$nginx_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# postgres_for_bench ROOT STATE: the URL of the PostgreSQL that HOOPSTACK_TEST_POSTGRES_URL
# names, else of a throw-away one started with its state in STATE (stopped by the caller);
# empty when there is none.
postgres_for_bench() {
  if [ -n "${HOOPSTACK_TEST_POSTGRES_URL:-}" ]; then
    echo "$HOOPSTACK_TEST_POSTGRES_URL"
    return
  fi
  env -u HOOPSTACK_TEST_POSTGRES_URL "$1/scripts/throwaway-postgres.sh" start "$2" >/dev/null || true
  [ ! -f "$2" ] || head -n 1 "$2"
}

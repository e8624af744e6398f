#!/usr/bin/env bash
# Load on lumora-service over loopback with wrk: heartbeats on kept-alive connections,
# reminders (each synced to the database before its "ok"), heartbeats while 1,000
# slow connections dribble their request heads, and heartbeats over HTTPS beside nginx
# answering `return 200` over HTTPS, the yardstick. Every run is bounded in time.
#
#   service/bench/run.sh [--postgres|--tls] [BUILD_DIR]  (BUILD_DIR defaults to build-service)
#   BENCH_SECONDS=10 sets the length of the heartbeat runs.
#
# With --tls only the HTTPS comparison runs.
#
# With --postgres the heartbeat and reminder runs go to two instances sharing one
# database of a PostgreSQL server started for the run (from PG_BIN, default the newest
# /usr/lib/postgresql/*/bin), one wrk per instance at the same time.
set -euo pipefail

postgres=false
tls_only=false
if [ "${1:-}" = "--postgres" ]; then postgres=true; shift; fi
if [ "${1:-}" = "--tls" ]; then tls_only=true; shift; fi
here=$(cd "$(dirname "$0")" && pwd)
binary=$(cd "${1:-build-service}" && pwd)/lumora-service
seconds=${BENCH_SECONDS:-10}
pg_bin=${PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)}
work=$(mktemp -d)
service_pids=()
ports=()
dribbler_pid=""
postgres_pid=""
nginx_pid=""

cleanup() {
  [ -n "$dribbler_pid" ] && kill "$dribbler_pid" 2>/dev/null || true
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
  local pid
  for pid in "${service_pids[@]}"; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  done
  # SIGINT is PostgreSQL's fast shutdown: open sessions are ended, not waited for.
  [ -n "$postgres_pid" ] && kill -INT "$postgres_pid" 2>/dev/null && wait "$postgres_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# PostgreSQL refuses to run as root; Debian's package brings a postgres account for it.
# setpriv replaces itself with the program, so $! is the server's own process.
as_postgres=()
[ "$(id -u)" = 0 ] && as_postgres=(setpriv --reuid=postgres --regid=postgres --init-groups --)

# Starts PostgreSQL on a free loopback port with an empty database; sets $db.
start_postgres() {
  mkdir "$work/pg"
  if [ ${#as_postgres[@]} -gt 0 ]; then
    chmod 711 "$work"
    chown postgres: "$work/pg"
  fi
  local pg_port
  pg_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  "${as_postgres[@]}" "$pg_bin/initdb" -D "$work/pg/data" -U lumora --auth=trust -E UTF8 --locale=C \
    --no-instructions >"$work/initdb.log" 2>&1 || { cat "$work/initdb.log" >&2; exit 1; }
  "${as_postgres[@]}" "$pg_bin/postgres" -D "$work/pg/data" -k "$work/pg" -p "$pg_port" \
    -c listen_addresses=127.0.0.1 -c dynamic_shared_memory_type=mmap >"$work/postgres.log" 2>&1 &
  postgres_pid=$!
  for _ in $(seq 100); do
    if "$pg_bin/pg_isready" -q -h 127.0.0.1 -p "$pg_port"; then
      "$pg_bin/createdb" -h 127.0.0.1 -p "$pg_port" -U lumora lumora
      db=postgresql://lumora@127.0.0.1:$pg_port/lumora
      return
    fi
    sleep 0.1
  done
  echo "PostgreSQL did not start:" >&2
  cat "$work/postgres.log" >&2
  exit 1
}

# Mail goes to a closed port and is retried only after ten minutes, so sending costs
# one failed connection per mail and the queue shows every reminder accepted.
# Starts one more instance on $db, with any further flags given; sets $port and
# $service_pid.
start_service() {
  local log="$work/service${#service_pids[@]}.log"
  "$binary" --listen 127.0.0.1:0 --db "$db" --tips "$work/tips.txt" "$@" \
    --smtp-server 127.0.0.1:1 --smtp-security plain --retry-first 10m --rate-limit 100000 \
    --max-connections-per-address 2000 "$@" >"$log" 2>&1 &
  service_pid=$!
  service_pids+=("$service_pid")
  for _ in $(seq 100); do
    port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\);.*/\1/p' "$log")
    if [ -n "$port" ]; then ports+=("$port"); return; fi
    sleep 0.1
  done
  echo "lumora-service did not start:" >&2
  cat "$log" >&2
  exit 1
}

kill_services() {
  local pid
  for pid in "${service_pids[@]}"; do
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
  done
  service_pids=()
  ports=()
}

# The loads' computers are bound to their code first, by an instance whose outbox
# transport takes each computer's first code without asking a mail server, so the
# measured instances check every code against the database alone.
bind_computers() {
  start_service --transport outbox --outbox "$work/outbox" --new-computers-per-client 100000
  wrk -t1 -c4 -d4s -s "$here/bind.lua" "http://127.0.0.1:$port" >/dev/null
  kill "$service_pid"
  wait "$service_pid" || true
  service_pids=()
  ports=()
}

queued_mails() {
  if $postgres; then
    "$pg_bin/psql" -Atc 'SELECT COUNT(*) FROM mail_queue' "$db"
  else
    python3 -c "import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute('SELECT COUNT(*) FROM mail_queue').fetchone()[0])" "$db"
  fi
}

# drive SCRIPT SECONDS: 50 kept-alive connections on two wrk threads, shared evenly by
# one wrk per running instance, all at once.
drive() {
  local count=${#ports[@]} wrk_pids=() i
  rm -f "$work"/wrk*.out
  for i in "${!ports[@]}"; do
    wrk -t$((2 / count)) -c$((50 / count)) -d"$2" --latency -s "$here/$1" \
      "http://127.0.0.1:${ports[$i]}" >"$work/wrk$i.out" &
    wrk_pids+=($!)
  done
  wait "${wrk_pids[@]}"
  cat "$work"/wrk*.out
  if [ "$count" -gt 1 ]; then
    awk '/Requests\/sec/ { rate += $2 }
         $1 == "99%" { v = $2; ms = v ~ /us$/ ? v / 1000 : v ~ /ms$/ ? v + 0 : v * 1000; if (ms > worst) worst = ms }
         END { printf "all instances: %.0f requests/s, worst p99 %.2fms\n", rate, worst }' "$work"/wrk*.out
  fi
}

replies_ok() {
  awk '/ requests in / { answered += $1 } /Non-2xx or 3xx responses/ { refused += $NF }
       END { print answered - refused }' "$work"/wrk*.out
}

# Heartbeats over HTTPS on 50 kept-alive connections against nginx's `return 200` over
# HTTPS with the same certificate and connections: the rate of a TLS server doing
# nothing else on this machine. The two take turns, three rounds each, so a change in
# the machine's load falls on both.
compare_tls() {
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj /CN=localhost -days 1 \
    -keyout "$work/tls.key" -out "$work/tls.crt" 2>/dev/null
  start_service --tls-cert "$work/tls.crt" --tls-key "$work/tls.key"

  local nginx_port round
  nginx_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  mkdir "$work/nginx"
  cat >"$work/nginx/nginx.conf" <<NGINX
$([ "$(id -u)" = 0 ] && echo "user root;")
worker_processes auto;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log warn;
events { worker_connections 1024; }
http {
    access_log off;
    client_body_temp_path $work/nginx; proxy_temp_path $work/nginx; fastcgi_temp_path $work/nginx;
    uwsgi_temp_path $work/nginx; scgi_temp_path $work/nginx;
    keepalive_requests 1000000;
    server {
        listen 127.0.0.1:$nginx_port ssl;
        ssl_certificate $work/tls.crt;
        ssl_certificate_key $work/tls.key;
        ssl_protocols TLSv1.2 TLSv1.3;
        location / { default_type text/plain; return 200 "ok"; }
    }
}
NGINX
  /usr/sbin/nginx -e "$work/nginx/error.log" -p "$work/nginx" -c "$work/nginx/nginx.conf" -g "daemon off;" &
  nginx_pid=$!
  for _ in $(seq 100); do
    curl -sk -o /dev/null "https://127.0.0.1:$nginx_port/" && break
    sleep 0.1
  done

  echo
  echo "== heartbeats over HTTPS against nginx return 200 over HTTPS, 50 kept-alive connections,"
  echo "   3 rounds of ${seconds}s each, taking turns"
  local server
  for server in "service $port" "nginx $nginx_port"; do
    set -- $server
    echo "   $1 negotiates $(openssl s_client -connect "127.0.0.1:$2" </dev/null 2>/dev/null |
                           sed -n 's/^New, \(.*\), Cipher is \(.*\)/\1 \2/p')"
  done
  # Untimed first, so neither round 1 pays for cold caches or the first heartbeat of
  # each computer.
  wrk -t2 -c50 -d2s -s "$here/heartbeat.lua" "https://127.0.0.1:$port" >/dev/null
  wrk -t2 -c50 -d2s -s "$here/heartbeat.lua" "https://127.0.0.1:$nginx_port" >/dev/null
  for round in 1 2 3; do
    wrk -t2 -c50 -d"${seconds}s" --latency -s "$here/heartbeat.lua" "https://127.0.0.1:$port" >"$work/tls-service$round.out"
    wrk -t2 -c50 -d"${seconds}s" --latency -s "$here/heartbeat.lua" "https://127.0.0.1:$nginx_port" >"$work/tls-nginx$round.out"
    awk -v round="$round" '/Requests\/sec/ { rate[FILENAME] = $2 } $1 == "99%" { p99[FILENAME] = $2 }
         /Non-2xx|Socket errors/ { bad[FILENAME] = bad[FILENAME] " (" $0 ")" }
         END { s = ARGV[1]; n = ARGV[2]
               printf "round %s: service %.0f/s, p99 %s%s; nginx %.0f/s, p99 %s%s; ratio %.2f\n",
                      round, rate[s], p99[s], bad[s], rate[n], p99[n], bad[n], rate[s] / rate[n] }' \
      "$work/tls-service$round.out" "$work/tls-nginx$round.out"
  done
  awk '/Requests\/sec/ { if (FILENAME ~ /service/) s += $2; else n += $2 }
       END { printf "HTTPS heartbeats: %.0f/s, nginx: %.0f/s, ratio %.2f\n", s / 3, n / 3, s / n }' \
    "$work"/tls-service?.out "$work"/tls-nginx?.out
  kill "$nginx_pid"
  wait "$nginx_pid" 2>/dev/null || true
  nginx_pid=""
  kill_services
}

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
if $tls_only; then
  db=$work/bench.db
  bind_computers
  compare_tls
  exit 0
fi
if $postgres; then
  start_postgres
  bind_computers
  start_service
  start_service
  echo "two instances on $("$pg_bin/postgres" --version)"
else
  db=$work/bench.db
  bind_computers
  start_service
fi

echo
echo "== heartbeats, 50 kept-alive connections, ${seconds}s"
drive heartbeat.lua "${seconds}s"

# The queue holds at most 10,000 mails, which one instance on SQLite can fill within a
# few seconds; past that, replies are refusals. The rate of "ok" replies counts only
# the mails taken, so a full queue makes it a floor.
reminder_seconds=5
$postgres || reminder_seconds=2
echo
echo "== reminders, 50 kept-alive connections, ${reminder_seconds}s (the queue holds at most 10,000)"
drive reminder.lua "${reminder_seconds}s"
kill_services
ok=$(replies_ok)
echo "\"ok\" replies: $ok ($((ok / reminder_seconds))/s); mails in the database after kill -9: $(queued_mails)"

$postgres && exit 0
start_service
echo
echo "== heartbeats on 10 connections while 1,000 slow connections dribble, ${seconds}s"
python3 "$here/slow_clients.py" --port "$port" --count 1000 --seconds $((seconds + 10)) >"$work/slow.out" &
dribbler_pid=$!
sleep 5
tail -1 "$work/slow.out"
wrk -t1 -c10 -d"${seconds}s" --latency -s "$here/heartbeat.lua" "http://127.0.0.1:$port"
tail -1 "$work/slow.out"
kill "$dribbler_pid"
wait "$dribbler_pid" 2>/dev/null || true
dribbler_pid=""
kill_services

compare_tls

#!/usr/bin/env bash
# Load on lumora-service over loopback with wrk: heartbeats on kept-alive connections,
# reminders (each synced to the database before its "ok"), and heartbeats while 1,000
# slow connections dribble their request heads. Every run is bounded in time.
#
#   service/bench/run.sh [BUILD_DIR]      (BUILD_DIR defaults to build-service)
#   BENCH_SECONDS=10 sets the length of the heartbeat runs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
binary=$(cd "${1:-build-service}" && pwd)/lumora-service
seconds=${BENCH_SECONDS:-10}
work=$(mktemp -d)
service_pid=""
dribbler_pid=""

cleanup() {
  [ -n "$dribbler_pid" ] && kill "$dribbler_pid" 2>/dev/null || true
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Mail goes to a closed port and is retried only after ten minutes, so sending costs
# one failed connection per mail and the queue shows every reminder accepted.
start_service() {
  "$binary" --listen 127.0.0.1:0 --db "$work/bench.db" --tips "$work/tips.txt" \
    --smtp-server 127.0.0.1:1 --smtp-security plain --retry-first 10m --rate-limit 100000 \
    --max-connections-per-address 2000 >>"$work/service.log" 2>&1 &
  service_pid=$!
  for _ in $(seq 100); do
    port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\);.*/\1/p' "$work/service.log" | tail -1)
    if [ -n "$port" ] && ! [ "$port" = "${last_port:-}" ]; then last_port=$port; return; fi
    sleep 0.1
  done
  echo "lumora-service did not start:" >&2
  cat "$work/service.log" >&2
  exit 1
}

queued_mails() {
  python3 -c "import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute('SELECT COUNT(*) FROM mail_queue').fetchone()[0])" "$work/bench.db"
}

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
start_service

echo
echo "== heartbeats, 50 kept-alive connections, ${seconds}s"
wrk -t2 -c50 -d"${seconds}s" --latency -s "$here/heartbeat.lua" "http://127.0.0.1:$port" | tee "$work/wrk.out"

echo
echo "== reminders, 50 kept-alive connections, 5s (the queue holds at most 10,000)"
wrk -t2 -c50 -d5s --latency -s "$here/reminder.lua" "http://127.0.0.1:$port" | tee "$work/wrk.out"
answered=$(sed -n 's/^ *\([0-9]*\) requests in.*/\1/p' "$work/wrk.out")
refused=$(sed -n 's/^ *Non-2xx or 3xx responses: *\([0-9]*\).*/\1/p' "$work/wrk.out")
kill -9 "$service_pid"
wait "$service_pid" 2>/dev/null || true
echo "\"ok\" replies: $((answered - ${refused:-0})); mails in the database after kill -9: $(queued_mails)"

start_service
echo
echo "== heartbeats on 10 connections while 1,000 slow connections dribble, ${seconds}s"
python3 "$here/slow_clients.py" --port "$port" --count 1000 --seconds $((seconds + 10)) >"$work/slow.out" &
dribbler_pid=$!
sleep 5
tail -1 "$work/slow.out"
wrk -t1 -c10 -d"${seconds}s" --latency -s "$here/heartbeat.lua" "http://127.0.0.1:$port"
tail -1 "$work/slow.out"

#!/usr/bin/env bash
# The HTTPS end-to-end test: makes a test authority with a certificate for
# localhost, and a second authority nobody trusts with one of its own; adds the
# first to the Wine prefix's machine root store; starts lumora-service twice
# over TLS on free loopback ports (one per certificate, mail into an outbox);
# then runs the Windows test, which finds both in its environment.
#   tls-end-to-end.sh SESSION TEST_EXE TRUST_EXE SERVICE
set -euo pipefail

session=${1:?wine session} test_exe=${2:?test} trust_exe=${3:?trust helper} service=${4:?lumora-service}
here=$(cd "$(dirname "$0")" && pwd)
wine_session=$here/../../scripts/wine-session.sh

if [ ! -x "$service" ]; then
  echo "no $service: build the service first (cmake -S service -B build-service && cmake --build build-service)"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/lumora-tls.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# authority NAME, then certificate NAME AUTHORITY: localhost signed by it.
authority() {
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Lumora test authority $1" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
    -keyout "$work/$1-ca.key" -out "$work/$1-ca.pem" 2>/dev/null
}
certificate() {
  openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout "$work/$1.key" -out "$work/$1.csr" 2>/dev/null
  printf 'subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' >"$work/$1.ext"
  openssl x509 -req -days 2 -in "$work/$1.csr" -CA "$work/$2-ca.pem" -CAkey "$work/$2-ca.key" -CAcreateserial \
    -extfile "$work/$1.ext" -out "$work/$1.pem" 2>/dev/null
}
authority trusted
authority unknown
certificate trusted trusted
certificate untrusted unknown

"$wine_session" run "$session" "$trust_exe" "Z:${work//\//\\}\\trusted-ca.pem"

# start NAME: a service with NAME's certificate; prints its port.
start() {
  mkdir -p "$work/$1-outbox"
  "$service" --listen 127.0.0.1:0 --tls-cert "$work/$1.pem" --tls-key "$work/$1.key" --transport outbox \
    --outbox "$work/$1-outbox" --db "$work/$1.db" --tips "$work/no-tips.txt" 2>"$work/$1.log" &
  pids+=($!)
  for _ in $(seq 100); do
    port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/$1.log")
    [ -n "$port" ] && return
    sleep 0.1
  done
  echo "the $1 service did not start:" >&2
  cat "$work/$1.log" >&2
  exit 1
}
start trusted
trusted_port=$port
start untrusted
untrusted_port=$port

status=0
LUMORA_TLS_SERVICE="https://localhost:$trusted_port" \
LUMORA_UNTRUSTED_SERVICE="https://localhost:$untrusted_port" \
LUMORA_TLS_OUTBOX="Z:${work//\//\\}\\trusted-outbox" \
  "$wine_session" run "$session" "$test_exe" || status=$?
if [ $status -ne 0 ]; then
  echo "--- trusted service log" && cat "$work/trusted.log"
  echo "--- untrusted service log" && cat "$work/untrusted.log"
fi
exit $status

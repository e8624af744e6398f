#!/usr/bin/env bash
# Times lumora.exe from outside with many real connections on the machine:
# opens CONNECTIONS loopback TCP sockets (connected pairs held by
# scripts/hold-connections.py on PORT), then runs bench_launch.exe, which
# launches the program under Wine and reports when its window shows, when the
# first rows come, and how long the window left a message waiting while it
# refreshed and sorted.
#   bench-launch.sh [win32|win64] [CONNECTIONS] [PORT]
set -euo pipefail
cd "$(dirname "$0")/.."

arch=${1:-$(scripts/windows-archs.sh | head -n1)}
connections=${2:-10000}
port=${3:-18441}
nice -n 10 scripts/windows-build.sh "$arch" lumora bench_launch

session=build-$arch/wine
ready=$(mktemp -u "${TMPDIR:-/tmp}/lumora-connections.XXXXXX")
python3 scripts/hold-connections.py "$port" $((connections / 2)) "$ready" &
holder=$!
trap 'kill $holder 2>/dev/null || true; rm -f "$ready"; scripts/wine-session.sh cleanup $session' EXIT
scripts/wine-session.sh setup "$session" "$arch"
while [ ! -s "$ready" ]; do
  kill -0 $holder 2>/dev/null || { echo "the connections could not be opened" >&2; exit 1; }
  sleep 0.2
done
echo "$(cat "$ready") loopback sockets open; load average $(cut -d' ' -f1-3 /proc/loadavg)"
scripts/wine-session.sh run "$session" "build-$arch/bench/bench_launch.exe" \
  "Z:$(pwd | tr / '\\')\\build-$arch\\app\\lumora.exe"

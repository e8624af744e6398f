#!/usr/bin/env bash
# Saves a picture of Lumora's main window: screenshot.sh [OUT.png]
# Builds what is missing, starts the reference service and the program (the
# build this machine runs best) on a private Xvfb display, waits for the
# connection list to fill and shoots.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh run
arch=$(scripts/windows-archs.sh 2>/dev/null | head -n1)
out=$(realpath -m "${1:-build-$arch/lumora.png}")
scripts/windows-build.sh "$arch" lumora >/dev/null
cmake -S service -B build-service -DLUMORA_SERVICE_TESTS=OFF >/dev/null
cmake --build build-service -j2 --target lumora-service >/dev/null

session=build-$arch/wine-shot
mkdir -p build-service/outbox
build-service/lumora-service --transport outbox --outbox build-service/outbox \
  --db build-service/lumora-service.db --tips build-service/tips.txt >/dev/null 2>&1 &
service=$!
trap 'kill $service 2>/dev/null || true; scripts/wine-session.sh cleanup $session' EXIT

(unset DISPLAY; scripts/wine-session.sh setup "$session" "$arch")
scripts/wine-session.sh run "$session" "build-$arch/app/lumora.exe" >/dev/null 2>&1 &
sleep "${LUMORA_SHOT_DELAY:-8}"
import -display "$(cat "$session/display")" -window root -trim "$out"
echo "saved $out"

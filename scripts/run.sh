#!/usr/bin/env bash
# Builds Lumora and the reference reminder service and runs them together:
# the service on 127.0.0.1:8305 writes its mails as .eml files into
# build-service/outbox, and lumora.exe runs under Wine on the current display
# (or on Xvfb when there is none; scripts/screenshot.sh then shows it). The
# 32-bit program runs where this machine can, the 64-bit one elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh run
arch=$(scripts/windows-archs.sh | head -n1)
scripts/windows-build.sh "$arch" lumora
cmake -S service -B build-service -DLUMORA_SERVICE_TESTS=OFF >/dev/null
cmake --build build-service -j2 --target lumora-service

mkdir -p build-service/outbox
build-service/lumora-service --transport outbox --outbox build-service/outbox \
  --db build-service/lumora-service.db --tips build-service/tips.txt &
service=$!
session=build-$arch/wine-run
trap 'kill $service 2>/dev/null || true; scripts/wine-session.sh cleanup $session' EXIT

scripts/wine-session.sh setup "$session" "$arch"
echo "Lumora ($arch) runs on display $(cat "$session/display"); reminders arrive in build-service/outbox/"
scripts/wine-session.sh run "$session" "build-$arch/app/lumora.exe"

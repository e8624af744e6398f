#!/usr/bin/env bash
# Builds everything and runs every test: the Windows program's suites under
# Wine (with Xvfb when there is no display) and the reminder service's suites.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test

cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake >/dev/null
cmake --build build -j2
cmake -S service -B build-service -DLUMORA_SERVICE_TESTS=ON >/dev/null
cmake --build build-service -j2

status=0
ctest --test-dir build --output-on-failure || status=1
ctest --test-dir build-service --output-on-failure || status=1
exit $status

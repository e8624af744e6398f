#!/usr/bin/env bash
# Builds everything and runs every test: the Windows program's suites under
# Wine (with Xvfb when there is no display) for each architecture this machine
# can run, and the reminder service's suites.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test

# Both architectures are built everywhere: a cross build needs no Wine.
scripts/windows-build.sh win32
scripts/windows-build.sh win64
cmake -S service -B build-service -DLUMORA_SERVICE_TESTS=ON >/dev/null
cmake --build build-service -j2

mapfile -t archs < <(scripts/windows-archs.sh 2>/dev/null)
skipped=$(scripts/windows-archs.sh 2>&1 >/dev/null)
echo "Windows suites run on: ${archs[*]}${skipped:+ ($skipped)}"

status=0
for arch in "${archs[@]}"; do
  ctest --test-dir "build-$arch" --output-on-failure || status=1
done
ctest --test-dir build-service --output-on-failure || status=1
exit $status

#!/usr/bin/env bash
# Builds both architectures and the reminder service, and writes the release packages
# into dist/: lumora-<version>-win32.zip, lumora-<version>-win64.zip and
# lumora-service_<version>_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."

mkdir -p dist
for arch in win32 win64; do
  scripts/windows-build.sh "$arch" lumora
  (cd "build-$arch" && cpack -B "$PWD/../dist" >/dev/null)
done
cmake -S service -B build-service-release -DCMAKE_BUILD_TYPE=Release -DLUMORA_SERVICE_TESTS=OFF >/dev/null
cmake --build build-service-release -j2
(cd build-service-release && cpack -B "$PWD/../dist" >/dev/null)
rm -rf dist/_CPack_Packages
ls dist/*.zip dist/*.deb

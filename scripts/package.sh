#!/usr/bin/env bash
# Builds both architectures and writes the release packages into dist/:
# lumora-<version>-win32.zip and lumora-<version>-win64.zip.
set -euo pipefail
cd "$(dirname "$0")/.."

mkdir -p dist
for arch in win32 win64; do
  scripts/windows-build.sh "$arch" lumora
  (cd "build-$arch" && cpack -B "$PWD/../dist" >/dev/null)
done
rm -rf dist/_CPack_Packages
ls dist/*.zip

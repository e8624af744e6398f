#!/usr/bin/env bash
# Configures and builds one Windows architecture in build-ARCH:
#   windows-build.sh win32|win64 [TARGET...]   (all targets when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."

arch=${1:?win32 or win64}
shift
case "$arch" in
  win32) toolchain=cmake/toolchain-i686-mingw.cmake ;;
  win64) toolchain=cmake/toolchain-x86_64-mingw.cmake ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
cmake -S . -B "build-$arch" -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "build-$arch" -j2 "${targets[@]}"

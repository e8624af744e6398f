#!/usr/bin/env bash
# Prints the Windows architectures this machine can run under Wine, best
# first: win32 (the i686 build) where i386 programs run, then win64 (the
# x86-64 build), which runs on every x86-64 kernel. Says why win32 is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! scripts/can-run-i386.sh; then
  echo "win32 skipped: this kernel cannot run i386 programs" >&2
elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "win32 skipped: the 32-bit Wine (wine32) does not start" >&2
else
  echo win32
fi
echo win64

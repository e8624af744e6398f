#!/usr/bin/env bash
# Installs from Debian's packages what Lumora needs to run (install-deps.sh run)
# or to be tested (install-deps.sh test); does nothing when all of it is present.
set -euo pipefail

# The Windows program (cross-built, run under Wine) and the reminder service.
packages=(
  cmake make g++ pkg-config googletest
  g++-mingw-w64-i686-posix wine wine32:i386 xvfb xauth xfonts-base python3
  libmicrohttpd-dev libcurl4-openssl-dev libsqlite3-dev
)
case "${1:?run or test}" in
  # A Chinese font for Wine's UI, and ImageMagick for screenshots.
  run) packages+=(fonts-wqy-microhei imagemagick) ;;
  # The service's tests, their HTTP client and the SMTP server they talk to; wrk drives
  # the service's benchmark.
  test) packages+=(libgtest-dev libcpp-httplib-dev python3-aiosmtpd wrk) ;;
  *) echo "usage: install-deps.sh run|test" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

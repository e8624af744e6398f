#!/usr/bin/env bash
# Installs from Debian's packages what building, running and testing Lumora
# needs; does nothing when all of it is present.
set -euo pipefail

packages=(
  cmake make g++ pkg-config googletest
  g++-mingw-w64-i686-posix wine wine32:i386 xvfb xauth fonts-wqy-microhei imagemagick
  libcpp-httplib-dev libcurl4-openssl-dev libsqlite3-dev libgtest-dev python3 python3-aiosmtpd
)

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

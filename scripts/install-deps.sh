#!/usr/bin/env bash
# Installs from Debian's packages what Lumora needs to run (install-deps.sh run)
# or to be tested (install-deps.sh test); does nothing when all of it is present.
# The 32-bit Wine comes only where this kernel can run i386 programs.
set -euo pipefail
cd "$(dirname "$0")/.."

# Both Windows builds (cross-built, run under Wine) and the reminder service, with
# dpkg-dev for the libraries its Debian package depends on.
packages=(
  binutils cmake make g++ pkg-config googletest
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64
  xvfb xauth xfonts-base python3
  libmicrohttpd-dev libgnutls28-dev libcurl4-openssl-dev libsqlite3-dev libpq-dev libsodium-dev dpkg-dev
)
case "${1:?run or test}" in
  # A Chinese font for Wine's UI, and ImageMagick for screenshots.
  run) packages+=(fonts-wqy-microhei imagemagick) ;;
  # The service's tests, their HTTP client, the SMTP server they talk to and the
  # PostgreSQL server they start; openssl makes their certificates and the HTTPS
  # end-to-end test's, curl and nginx speak TLS to the service, systemd checks
  # the package's unit; wrk drives the service's benchmark.
  test) packages+=(libgtest-dev libcpp-httplib-dev python3-aiosmtpd postgresql openssl curl nginx-light systemd
                   wrk) ;;
  *) echo "usage: install-deps.sh run|test" >&2; exit 2 ;;
esac

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
updated=""
install() {
  local missing=() package status
  for package in "$@"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  if [ -z "$updated" ]; then
    $sudo apt-get update -qq
    updated=yes
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install "${packages[@]}"

if scripts/can-run-i386.sh; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    updated=""
  fi
  install wine32:i386
fi

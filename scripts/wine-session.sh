#!/usr/bin/env bash
# One Wine session for a build tree: a prefix inside it, an Xvfb display when
# there is none, and one persistent wineserver shared by every program run.
#   wine-session.sh setup   DIR [ARCH]     create what is missing and start it
#   wine-session.sh run     DIR EXE [ARG]  run a Windows program in the session
#   wine-session.sh cleanup DIR            stop what setup started
# ARCH is win32 (the default) or win64; setup keeps it in DIR for the others.
set -euo pipefail

mode=${1:?mode}
dir=$(mkdir -p "${2:?session dir}" && cd "$2" && pwd)
shift 2

# A setup without ARCH keeps the one the session already has.
arch=$(cat "$dir/arch" 2>/dev/null || echo win32)
if [ "$mode" = setup ]; then
  arch=${1:-$arch}
  printf '%s\n' "$arch" >"$dir/arch"
fi
# The wine wrapper always takes the i386 loader when wine32 is installed, so
# each architecture names its own loader.
case "$arch" in
  win32) loader=/usr/lib/wine/wine ;;
  win64) loader=/usr/lib/wine/wine64 ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
export WINEARCH=$arch
export WINELOADER=$loader
export WINEPREFIX="$dir/prefix"
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and their installers would prompt.
export WINEDLLOVERRIDES="mscoree,mshtml="

ui_font="WenQuanYi Micro Hei"

create_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return
  "$loader" wineboot -i >/dev/null 2>&1
  local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
    "$loader" reg add "$key" /v "$face" /d "$ui_font" /f >/dev/null 2>&1
  done
  wineserver -w
}

start_display() {
  # A display this session started earlier is still good while its Xvfb runs.
  if [ -f "$dir/display" ] && [ -f "$dir/xvfb.pid" ] && kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null; then
    return
  fi
  if [ -n "${DISPLAY:-}" ]; then
    printf '%s\n' "$DISPLAY" >"$dir/display"
    rm -f "$dir/xvfb.pid"
    return
  fi
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 </dev/null &
  echo $! >"$dir/xvfb.pid"
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  [ -e "/tmp/.X11-unix/X$n" ] || { echo "Xvfb did not start" >&2; exit 1; }
  printf ':%s\n' "$n" >"$dir/display"
}

# On a private Xvfb nobody looks or listens: there is no window manager, for
# which Wine would wait on every hidden or destroyed window unless its windows
# are unmanaged, and no sound card.
headless_settings() {
  local x11='HKCU\Software\Wine\X11 Driver' drivers='HKCU\Software\Wine\Drivers'
  if [ -f "$dir/xvfb.pid" ]; then
    "$loader" reg add "$x11" /v Managed /d N /f >/dev/null 2>&1
    "$loader" reg add "$drivers" /v Audio /d "" /f >/dev/null 2>&1
  else
    "$loader" reg delete "$x11" /v Managed /f >/dev/null 2>&1 || true
    "$loader" reg delete "$drivers" /v Audio /f >/dev/null 2>&1 || true
  fi
}

case "$mode" in
  setup)
    # A server left by an earlier run would keep its old display and settings.
    wineserver -k >/dev/null 2>&1 || true
    create_prefix
    start_display
    DISPLAY=$(cat "$dir/display")
    export DISPLAY
    headless_settings
    wineserver -w
    wineserver -p >/dev/null 2>&1 </dev/null
    ;;
  run)
    [ -f "$dir/display" ] || "$0" setup "$dir"
    DISPLAY=$(cat "$dir/display")
    export DISPLAY
    # Wine's helper processes outlive the program and would hold a caller's
    # pipe open, so the output goes through a file.
    log=$(mktemp "$dir/run.XXXXXX")
    trap 'rm -f "$log"' EXIT
    status=0
    "$loader" "$@" >"$log" 2>&1 </dev/null || status=$?
    cat "$log"
    exit $status
    ;;
  cleanup)
    wineserver -k >/dev/null 2>&1 || true
    if [ -f "$dir/xvfb.pid" ]; then
      kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
      rm -f "$dir/xvfb.pid"
    fi
    rm -f "$dir/display"
    ;;
  *)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac

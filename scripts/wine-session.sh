#!/usr/bin/env bash
# start | stop: an Xvfb display and a persistent wineserver for the Windows tests.
# `start` prints the variables to export (eval "$(scripts/wine-session.sh start)").
set -euo pipefail
state=${TVX_WINE_STATE:-/tmp/tvx-wine-session}
case "${1:-}" in
start)
  mkdir -p "$state"
  display=${TVX_DISPLAY:-:97}
  export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tavrix}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export DISPLAY=$display
  n=${display#:}
  if ! [ -e "/tmp/.X11-unix/X$n" ]; then
    rm -f "/tmp/.X$n-lock"
    setsid Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  mkdir -p "$WINEPREFIX"
  setsid /usr/lib/wine/wineserver -p -f </dev/null >"$state/wineserver.log" 2>&1 &
  echo $! >"$state/wineserver.pid"
  sleep 0.3
  # The prefix (made on first use) draws with the Windows fonts' measures.
  bash "$(dirname "$0")/wine-prefix.sh" </dev/null 2>>"$state/wineboot.log" >&2
  # Start Wine's own services and the desktop now, detached from our output:
  # started later by a test, they would inherit the test runner's pipes and
  # keep it waiting after the last test.
  wineboot </dev/null >>"$state/wineboot.log" 2>&1 || true
  wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >>"$state/wineboot.log" 2>&1 || true
  echo "export WINEPREFIX='$WINEPREFIX' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' DISPLAY='$display'"
  ;;
stop)
  export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tavrix}
  /usr/lib/wine/wineserver -k </dev/null >/dev/null 2>&1 || true
  for f in wineserver xvfb; do
    if [ -f "$state/$f.pid" ]; then
      kill "$(cat "$state/$f.pid")" 2>/dev/null || true
      rm -f "$state/$f.pid"
    fi
  done
  ;;
*) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# Builds TVX.exe and starts it under Wine (on Windows, run the built TVX.exe
# directly). The data file TVX.dat lives beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target TVX
exe=build/windows/TVX.exe
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tavrix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${DISPLAY:-}" ]; then
  echo "No DISPLAY: starting a virtual one (Xvfb :96); take screenshots with 'DISPLAY=:96 import -window root shot.png'." >&2
  Xvfb :96 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  export DISPLAY=:96
  sleep 1
fi
bash scripts/wine-prefix.sh
exec wine "$exe" "$@"

#!/usr/bin/env bash
# Runs a Windows program under Wine; used as CMake's cross-compiling emulator.
# The Xvfb display, prefix and wineserver come from scripts/wine-session.sh.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tavrix}
export DISPLAY=${DISPLAY:-:99}
exec wine "$@"

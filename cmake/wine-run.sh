#!/usr/bin/env bash
# Runs a Windows program under Wine; used as CMake's cross-compiling emulator.
# The Xvfb display, prefix and wineserver come from scripts/wine-session.sh.
# A failure names the program and its exit status: a program that Wine could
# not start at all leaves no other trace in the test's output.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tavrix}
export DISPLAY=${DISPLAY:-:99}
wine "$@"
status=$?
[ "$status" -eq 0 ] || echo "wine-run: $1 ended with exit status $status" >&2
exit "$status"

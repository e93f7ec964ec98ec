#!/usr/bin/env bash
# Takes the README's screenshots of the real windows under Xvfb:
# docs/launcher.png, docs/template-dialog.png, docs/predefined-commands.png,
# docs/command-manager.png, docs/set-command.png, docs/completion.png.
# Usage: scripts/screenshots.sh [path to TVX.exe]   (default: build/windows/TVX.exe)
# Buttons are pressed by their captions (tests/helpers/click_button), so the
# script does not depend on where the layout puts them.
set -euo pipefail
cd "$(dirname "$0")/.."
exe=${1:-build/windows/TVX.exe}
clicker=build/windows/tests/click_button.exe
if [ ! -f "$exe" ] || [ ! -f "$clicker" ]; then
  bash scripts/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target TVX click_button
fi
# A prefix and display of its own: stopping the session at the end must not
# end the Wine of a test run going on at the same time.
export TVX_WINE_STATE=${TVX_WINE_STATE:-/tmp/tvx-shots-session} TVX_DISPLAY=${TVX_DISPLAY:-:93}
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tavrix-shots}
eval "$(bash scripts/wine-session.sh start)"
trap 'bash scripts/wine-session.sh stop' EXIT
dir=$(mktemp -d /tmp/tvx-shots.XXXXXX)
cp "$exe" "$dir/TVX.exe"
cp "$clicker" "$dir/click_button.exe"
printf '[Command]\r\nn=notepad.exe|\r\ncp=Rundll32.exe|Shell32.dll,Control_RunDLL\r\ndocs=C:\\Users\\Public\\Documents|\r\n[Template]\r\nmorning=n docs\r\nwork=cp n\r\n' >"$dir/TVX.dat"

window() {  # name -> id, waiting
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
shot() {  # window id, file: the window with its frame
  sleep 0.6
  import -window "$1" -frame "$2" 2>/dev/null || import -window "$1" "$2"
}
click() {  # window title, button caption
  wine "$dir/click_button.exe" "$1" "$2" >/dev/null 2>&1
}

wine "$dir/TVX.exe" >/dev/null 2>&1 &
pid=$!
w=$(window '^Tavrix$')
xdotool windowfocus "$w" 2>/dev/null || true
xdotool type --delay 40 "n docs"
shot "$w" docs/launcher.png
click Tavrix S
t=$(window '^Command Template$')
shot "$t" docs/template-dialog.png
click "Command Template" --close
sleep 0.3
click Tavrix --close
wait "$pid" || true

# A name being typed, with the rest of the best name suggested after the caret.
wine "$dir/TVX.exe" >/dev/null 2>&1 &
pid=$!
w=$(window '^Tavrix$')
xdotool windowfocus "$w" 2>/dev/null || true
xdotool type --delay 40 "n do"
shot "$w" docs/completion.png
click Tavrix --close
wait "$pid" || true

# The command manager with the predefined commands added, and their dialog.
wine "$dir/TVX.exe" >/dev/null 2>&1 &
pid=$!
w=$(window '^Tavrix$')
click Tavrix "Command Manager"
m=$(window '^Command Manager$')
click "Command Manager" 'Add from "Predefined Commands"'
p=$(window '^Predefined Commands$')
click "Predefined Commands" "Add them ALL to Command List"
sleep 0.5
shot "$p" docs/predefined-commands.png
click "Predefined Commands" --close
# The manager reads the file again and repaints where the dialog was.
sleep 2
shot "$m" docs/command-manager.png
click "Command Manager" --close
sleep 0.5
click Tavrix --close
wait "$pid" || true

wine "$dir/TVX.exe" /setcmd "C:\\Users\\Public\\Documents\\report 2026.txt" >/dev/null 2>&1 &
pid=$!
s=$(window '^Set TVX Command$')
xdotool windowfocus "$s" 2>/dev/null || true
xdotool type --delay 60 "n"
sleep 0.5
# Rest the mouse on the status label so that its hint shows.
eval "$(xdotool getwindowgeometry --shell "$s")"
xdotool mousemove $((X + 120)) $((Y + 94))
sleep 0.3
xdotool mousemove $((X + 124)) $((Y + 96))
sleep 1.5
# The window's own area of the screen, with the hint that shows over it.
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage docs/set-command.png
click "Set TVX Command" --close
wait "$pid" || true
rm -rf "$dir"
echo "screenshots written to docs/"

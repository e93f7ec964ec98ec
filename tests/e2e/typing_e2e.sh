#!/usr/bin/env bash
# Clicks the mask switch "*" of the real launcher window, types a command name
# and presses Enter: the keys still reach the command box, the command's
# program starts with its parameters and the launcher ends.
. "$(dirname "$0")/lib.sh"
e2e_setup "$1" "$2"
printf '[Command]\r\nrec=%s|typed-by-keys\r\n' "$E2E_REC_WIN" >"$E2E_DIR/TVX.dat"

wine "$E2E_DIR/TVX.exe" >/dev/null 2>&1 &
E2E_PID=$!
wid=$(e2e_wait_window '^Tavrix$' 40) || { echo "launcher window did not appear"; exit 1; }
xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
sleep 0.5
# The X window is the client area: "*" sits at 288,72 and is 23 by 19.
xdotool mousemove --window "$wid" 299 81 click 1
sleep 0.5
xdotool type --delay 60 "rec"
xdotool key Return
e2e_wait_file_line "$E2E_DIR/record.txt" "typed-by-keys" 30 || { echo "no launch recorded"; exit 1; }
e2e_wait_exit "$E2E_PID" 30 || { echo "launcher did not end after the launch"; exit 1; }
grep -q "HideCommand=1" "$E2E_DIR/TVX.dat" || { echo "the click on \"*\" did not reach the switch"; exit 1; }
echo "typed launch recorded: $(head -1 "$E2E_DIR/record.txt")"

#!/usr/bin/env bash
# Types a command name into the real launcher window and presses Enter: the
# command's program starts with its parameters and the launcher ends.
. "$(dirname "$0")/lib.sh"
e2e_setup "$1" "$2"
printf '[Command]\r\nrec=%s|typed-by-keys\r\n' "$E2E_REC_WIN" >"$E2E_DIR/TVX.dat"

wine "$E2E_DIR/TVX.exe" >/dev/null 2>&1 &
E2E_PID=$!
wid=$(e2e_wait_window '^Tavrix$' 40) || { echo "launcher window did not appear"; exit 1; }
xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
sleep 0.5
xdotool type --delay 60 "rec"
xdotool key Return
e2e_wait_file_line "$E2E_DIR/record.txt" "typed-by-keys" 30 || { echo "no launch recorded"; exit 1; }
e2e_wait_exit "$E2E_PID" 30 || { echo "launcher did not end after the launch"; exit 1; }
echo "typed launch recorded: $(head -1 "$E2E_DIR/record.txt")"

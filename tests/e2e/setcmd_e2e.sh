#!/usr/bin/env bash
# The Set Command dialog end to end: started with a quoted path with blanks and
# an extra argument while an interactive instance runs, keys typed into it,
# the stored command launched with /l; then the context-menu entry switched on
# in the command manager, read back with `wine reg query` below the user's
# classes, and run as the shell runs it.
. "$(dirname "$0")/lib.sh"
e2e_setup "$1" "$2"
runner=$3
mkdir -p "$E2E_DIR/my files"
cp "$E2E_DIR/recorder.exe" "$E2E_DIR/my files/rec copy.exe"
target=$(winepath -w "$E2E_DIR/my files/rec copy.exe")
printf '[Command]\r\n' >"$E2E_DIR/TVX.dat"

# An interactive instance first: Set Command starts are exempt from the single-instance rule.
wine "$E2E_DIR/TVX.exe" >/dev/null 2>&1 &
E2E_PID=$!
main=$(e2e_wait_window '^Tavrix$' 40) || { echo "launcher window did not appear"; exit 1; }

wine "$E2E_DIR/TVX.exe" /setcmd "$target" extra >/dev/null 2>&1 &
setpid=$!
dlg=$(e2e_wait_window '^Set TVX Command$' 40) || { echo "Set Command dialog did not appear"; exit 1; }
xdotool windowfocus "$dlg" 2>/dev/null || true
sleep 0.5
xdotool type --delay 60 "my rec"   # the blank is swallowed
xdotool key Return
e2e_wait_exit "$setpid" 20 || { echo "Set Command start did not end after Set"; exit 1; }
grep -qF "myrec=$target" "$E2E_DIR/TVX.dat" || { echo "command not stored:"; cat "$E2E_DIR/TVX.dat"; exit 1; }
kill -0 "$E2E_PID" || { echo "the interactive instance ended"; exit 1; }

wine "$E2E_DIR/TVX.exe" /l myrec >/dev/null 2>&1
e2e_wait_file_line "$E2E_DIR/record.txt" "rec copy.exe" 20 || { echo "stored command did not launch"; exit 1; }
echo "stored and launched: $(head -1 "$E2E_DIR/record.txt")"

# The command manager's Shell Integration box (tab position 11), opened with
# the launcher's Command Manager button (tab position 5).
xdotool windowfocus "$main" 2>/dev/null || true
sleep 0.3
for _ in 1 2 3 4 5; do xdotool key Tab; done
xdotool key space
mgr=$(e2e_wait_window '^Command Manager$' 30) || { echo "command manager did not open"; exit 1; }
xdotool windowfocus "$mgr" 2>/dev/null || true
sleep 0.5
for _ in $(seq 11); do xdotool key Tab; done
xdotool key space
sleep 1
exe_win=$(winepath -w "$E2E_DIR/TVX.exe")
query=$(wine reg query 'HKCU\Software\Classes\AllFilesystemObjects\Shell\SetTVXcmd' /s 2>/dev/null | tr -d '\r')
echo "$query"
echo "$query" | grep -qF 'Set T&VX Command' || { echo "caption value missing"; exit 1; }
echo "$query" | grep -qF "Icon    REG_SZ    $exe_win" || { echo "icon value missing"; exit 1; }
echo "$query" | grep -qF "\"$exe_win\" /setcmd \"%1\"" || { echo "command value missing"; exit 1; }

# Run the verb for an item, as Explorer would.
item=$(winepath -w "$E2E_DIR/my files/rec copy.exe")
wine "$runner" "$item" >/dev/null 2>&1 || { echo "verb could not be started"; exit 1; }
dlg=$(e2e_wait_window '^Set TVX Command$' 40) || { echo "the verb did not open the dialog"; exit 1; }
xdotool windowfocus "$dlg" 2>/dev/null || true
sleep 0.5
xdotool type --delay 60 "fromverb"
xdotool key Return
for _ in $(seq 100); do grep -qF "fromverb=$item" "$E2E_DIR/TVX.dat" && break; sleep 0.2; done
grep -qF "fromverb=$item" "$E2E_DIR/TVX.dat" || { echo "verb's dialog stored nothing"; cat "$E2E_DIR/TVX.dat"; exit 1; }
echo "context-menu verb opened the dialog and stored: fromverb"

# The interactive instance is still there; the clean-up ends it. Take the
# entry out of this prefix again.
kill -0 "$E2E_PID" || { echo "the interactive instance ended"; exit 1; }
wine reg delete 'HKCU\Software\Classes\AllFilesystemObjects\Shell\SetTVXcmd' /f >/dev/null 2>&1 || true
echo "ok"

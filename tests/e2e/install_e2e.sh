#!/usr/bin/env bash
# "Install" and "Uninstall" pressed in the real command manager start no
# script host. Wine records every process the program creates (its "process"
# debug channel, which TVX.exe and its children write to the log); neither
# button may create wscript.exe, however it is found. Install ends with its
# information box and writes the Run-box entry for the user; Uninstall takes
# it away. A command that starts wscript.exe shows that the log records it.
. "$(dirname "$0")/lib.sh"
e2e_setup "$1" "$2"
click=$3
printf '[Command]\r\nws=wscript.exe|probe\r\n' >"$E2E_DIR/TVX.dat"
trace=$E2E_DIR/process.log
started_script_host() { grep -i 'CreateProcess.*wscript' "$1"; }
app_key='HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\tvx.exe'
e2e_cleanup_more() {
  wine reg delete "$app_key" /f >/dev/null 2>&1 || true
}
tavrix_windows() { xdotool search --onlyvisible --name '^Tavrix$' 2>/dev/null | wc -l; }

WINEDEBUG=-all,+process wine "$E2E_DIR/TVX.exe" >/dev/null 2>"$trace" &
E2E_PID=$!
E2E_WID=$(e2e_wait_window '^Tavrix$' 40) || { echo "launcher window did not appear"; exit 1; }
e2e_focus "$E2E_WID"
for _ in 1 2 3 4 5; do xdotool key Tab; done
xdotool key space
e2e_wait_window '^Command Manager$' 30 >/dev/null || { echo "command manager did not open"; exit 1; }

wine "$click" "Command Manager" "Install" || { echo "no Install button"; exit 1; }
# The information box: a second window titled Tavrix, closed with Enter.
for _ in $(seq 100); do [ "$(tavrix_windows)" -ge 2 ] && break; sleep 0.1; done
[ "$(tavrix_windows)" -ge 2 ] || { echo "Install showed no message"; exit 1; }
xdotool key Return
for _ in $(seq 50); do [ "$(tavrix_windows)" -le 1 ] && break; sleep 0.1; done
exe_win=$(winepath -w "$E2E_DIR/TVX.exe")
wine reg query "$app_key" 2>/dev/null | tr -d '\r' | grep -qF "$exe_win" ||
  { echo "Install wrote no per-user App Paths entry"; exit 1; }

wine "$click" "Command Manager" "Uninstall" || { echo "no Uninstall button"; exit 1; }
for _ in $(seq 50); do wine reg query "$app_key" >/dev/null 2>&1 || break; sleep 0.2; done
wine reg query "$app_key" >/dev/null 2>&1 && { echo "Uninstall left the App Paths entry"; exit 1; }
sleep 1
[ -s "$trace" ] || { echo "the process log is empty"; exit 1; }
if started_script_host "$trace"; then echo "Install or Uninstall started the script host"; exit 1; fi

# The same log, for a launch of a command that is the script host.
WINEDEBUG=-all,+process wine "$E2E_DIR/TVX.exe" /l ws >/dev/null 2>"$E2E_DIR/control.log"
started_script_host "$E2E_DIR/control.log" >/dev/null || { echo "a start of wscript.exe is not logged"; exit 1; }
echo "no script host started by Install or Uninstall"
echo "ok"

#!/usr/bin/env bash
# The launcher window's typing help and launch modifiers, keys sent to the
# real TVX.exe: Tab completes a name and Enter launches it; the next start
# recalls that text with Up; Ctrl+Shift+Enter in the command box and in the
# template box launches with the verb "runas"; Shift+Enter opens the target's
# folder with it selected and launches nothing.
# Usage: launcher_keys_e2e.sh TVX.exe recorder.exe box_text.exe
. "$(dirname "$0")/lib.sh"
e2e_setup "$1" "$2"
E2E_BOX_TEXT=$3
record="$E2E_DIR/record.txt"
fail() { echo "$*"; [ -f "$record" ] && { echo "records:"; cat "$record"; }; exit 1; }
records() { [ -f "$record" ] && grep -c . "$record" || echo 0; }
wait_records() {  # count: waits up to 20 seconds for that many records
  for _ in $(seq 100); do [ "$(records)" -ge "$1" ] && return 0; sleep 0.2; done
  return 1
}

# A file type of this prefix whose "open" and "runas" verbs start the
# recorder with the verb's name and the file: the record names both.
: >"$E2E_DIR/target.tvxrec"
target=$(winepath -w "$E2E_DIR/target.tvxrec")
e2e_cleanup_more() {
  wine reg delete 'HKCR\.tvxrec' /f >/dev/null 2>&1
  wine reg delete 'HKCR\TvxE2E.Recorded' /f >/dev/null 2>&1
  [ -n "${explorer_pid:-}" ] && kill "$explorer_pid" 2>/dev/null
  return 0
}
wine reg add 'HKCR\.tvxrec' /ve /d TvxE2E.Recorded /f >/dev/null 2>&1
for verb in open runas; do
  wine reg add "HKCR\\TvxE2E.Recorded\\shell\\$verb\\command" /ve /d "\"$E2E_REC_WIN\" $verb \"%1\"" /f >/dev/null 2>&1 ||
    fail "could not register the $verb verb of .tvxrec"
done
printf '[Command]\r\nrecorder=%s|completed-by-tab\r\nadmin=%s\r\n[Template]\r\nas admin=admin\r\n' "$E2E_REC_WIN" "$target" \
  >"$E2E_DIR/TVX.dat"

# Tab accepts the suggestion into the text; Enter launches the completed name.
e2e_start_launcher
xdotool type --delay 80 "reco"
sleep 0.3
xdotool key Tab
sleep 0.3
box=$(e2e_box_text Tavrix)
[ "$box" = "recorder" ] || fail "after \"reco\" and Tab the command box holds \"$box\", not \"recorder\""
xdotool key Return
e2e_wait_file_line "$record" "completed-by-tab" 20 || fail "the completed name did not launch"
e2e_wait_exit "$E2E_PID" 30 || fail "launcher did not end after the launch"
[ -f "$E2E_DIR/TVX.hist" ] || fail "no TVX.hist beside TVX.dat after a typed launch"

# The next start: Up recalls the launched text, and Enter launches it again.
e2e_start_launcher
xdotool key Up
sleep 0.3
box=$(e2e_box_text Tavrix)
[ "$box" = "recorder" ] || fail "Up in a new launcher shows \"$box\", not the last launched \"recorder\""
xdotool key Return
wait_records 2 || fail "the recalled text did not launch"
e2e_wait_exit "$E2E_PID" 30 || fail "launcher did not end after the recalled launch"

# Ctrl+Shift+Enter, in the command box and in the template box (tab
# position 3, its entry chosen with Down): the shell is asked for the verb
# "runas".
runas_line="\"$E2E_REC_WIN\" runas \"$target\"	$(winepath -w "$E2E_DIR")"
e2e_start_launcher
xdotool type --delay 80 "admin"
sleep 0.3
xdotool key ctrl+shift+Return
wait_records 3 || fail "Ctrl+Shift+Enter in the command box launched nothing"
[ "$(tr -d '\r' <"$record" | sed -n 3p)" = "$runas_line" ] ||
  fail "Ctrl+Shift+Enter in the command box did not launch the target with the verb runas"
e2e_wait_exit "$E2E_PID" 30 || fail "launcher did not end after the launch as administrator"
e2e_start_launcher
xdotool key Tab Tab Tab Down
sleep 0.5
xdotool key ctrl+shift+Return
wait_records 4 || fail "Ctrl+Shift+Enter in the template box launched nothing"
[ "$(tr -d '\r' <"$record" | sed -n 4p)" = "$runas_line" ] ||
  fail "Ctrl+Shift+Enter in the template box did not launch the target with the verb runas"
e2e_wait_exit "$E2E_PID" 30 || fail "launcher did not end after the launch as administrator"

# Shift+Enter: Explorer opens on the target's folder with the target
# selected; nothing is launched. (Wine's shell may lack the folder windows'
# objects, and then this is Explorer's own /select switch; where it has
# them, it opens the folder itself.)
e2e_start_launcher
xdotool type --delay 80 "recorder"
sleep 0.3
xdotool key shift+Return
# The shell waits for the new Explorer to be ready (its first start in a prefix is slow).
e2e_wait_exit "$E2E_PID" 60 || fail "launcher did not end after Shift+Enter"
for _ in $(seq 150); do
  for p in $(pgrep -f 'explorer\.exe' || true); do
    # Explorers of this prefix only, the desktop's excepted.
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    args=$(tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null)
    case "$args" in
      *"/select,$E2E_REC_WIN"* | *" ${E2E_REC_WIN%\\*} "*) explorer_pid=$p ;;
    esac
  done
  [ -n "${explorer_pid:-}" ] && break
  sleep 0.2
done
[ -n "${explorer_pid:-}" ] || fail "Shift+Enter started no Explorer on $E2E_REC_WIN or its folder"
folder=$(basename "$E2E_DIR")
for _ in $(seq 150); do
  xdotool search --onlyvisible --pid "$explorer_pid" --name "^$folder\$" >/dev/null 2>&1 && break
  sleep 0.2
done
xdotool search --onlyvisible --pid "$explorer_pid" --name "^$folder\$" >/dev/null 2>&1 ||
  fail "the Explorer started by Shift+Enter showed no window of the folder $folder"
sleep 1
[ "$(records)" -eq 4 ] || fail "Shift+Enter launched the target as well"
echo "ok: Tab completion, Up recall, runas and show-in-folder seen through the real window"

#!/usr/bin/env bash
# Names and paths outside the ANSI code page through the real TVX.exe: a
# Cyrillic command name typed into the launcher window launches the recorder
# from a folder whose name mixes scripts, with non-ASCII parameters, and so
# does "/l" with the name in other letter case. Then an ANSI (Windows-1252)
# data file: an accented name launches, an unrelated write keeps every other
# byte, and a Cyrillic name stored through the Set Command dialog turns the
# file into UTF-8 with the byte order mark, every entry kept.
# Usage: unicode_typing_e2e.sh TVX.exe recorder.exe box_text.exe
. "$(dirname "$0")/lib.sh"
# Wine turns arguments and file names from the locale's encoding.
export LC_ALL=C.UTF-8
e2e_setup "$1" "$2"
E2E_BOX_TEXT=$3
record="$E2E_DIR/record.txt"
data="$E2E_DIR/TVX.dat"
fail() { echo "$*"; [ -f "$record" ] && { echo "records:"; cat "$record"; }; exit 1; }
records() { [ -f "$record" ] && grep -c . "$record" || echo 0; }

folder="$E2E_DIR/Проекты 大阪 café"
mkdir "$folder"
cp "$E2E_DIR/recorder.exe" "$folder/"
rec=$(winepath -w "$folder/recorder.exe")
params="señal Ж 大阪"
expected="\"$rec\" $params	$(winepath -w "$folder")"
printf '[Command]\r\nпроект=%s|%s\r\n' "$rec" "$params" >"$data"

# Typed into the launcher window.
e2e_start_launcher
e2e_type "проект"
sleep 0.3
box=$(e2e_box_text Tavrix)
[ "$box" = "проект" ] || fail "typed \"проект\", the command box holds \"$box\""
xdotool key Return
e2e_wait_file_line "$record" "recorder" 20 || fail "the typed Cyrillic name launched nothing"
e2e_wait_exit "$E2E_PID" 30 || fail "launcher did not end after the launch"
[ "$(tr -d '\r' <"$record")" = "$expected" ] || fail "the typed launch was not recorded as: $expected"

# "/l" with the name in upper case.
wine "$E2E_DIR/TVX.exe" /l ПРОЕКТ >/dev/null 2>&1
for _ in $(seq 100); do [ "$(records)" -ge 2 ] && break; sleep 0.2; done
[ "$(tr -d '\r' <"$record" | sed -n 2p)" = "$expected" ] || fail "\"/l ПРОЕКТ\" did not launch \"проект\" the same way"

# An ANSI file of what older copies wrote: accented names in Windows-1252.
rm -f "$record"
printf '[Command]\r\ncafé=%s|crème brûlée\r\nnaïve=%s|x\r\n\r\n[Settings]\r\nHideCommand=0\r\n' \
  "$E2E_REC_WIN" "$E2E_REC_WIN" | iconv -f UTF-8 -t CP1252 >"$data"
cp "$data" "$E2E_DIR/ansi.orig"
wine "$E2E_DIR/TVX.exe" /l café >/dev/null 2>&1
e2e_wait_file_line "$record" "crème brûlée" 20 || fail "\"/l café\" from the ANSI file did not launch with its parameters"

# An unrelated write: the mask switch "*" (at 288,72, 23 by 19 in the
# client area) writes HideCommand; no other byte changes.
e2e_start_launcher
xdotool mousemove --window "$E2E_WID" 299 81 click 1
sleep 0.5
xdotool key Escape
e2e_wait_exit "$E2E_PID" 20 || fail "launcher did not close on Escape"
LC_ALL=C sed 's/^HideCommand=0\r$/HideCommand=1\r/' "$E2E_DIR/ansi.orig" >"$E2E_DIR/ansi.switched"
cmp "$E2E_DIR/ansi.switched" "$data" || fail "switching \"*\" changed more of the ANSI file than HideCommand"

# A Cyrillic name stored by the Set Command dialog: the whole file becomes
# UTF-8 with the mark; without the new line it is the old file re-encoded.
wine "$E2E_DIR/TVX.exe" /setcmd "$E2E_REC_WIN" >/dev/null 2>&1 &
setpid=$!
dlg=$(e2e_wait_window '^Set TVX Command$' 40) || fail "Set Command dialog did not appear"
e2e_focus "$dlg"
e2e_type "запись"
sleep 0.3
box=$(e2e_box_text "Set TVX Command" 1)
[ "$box" = "запись" ] || fail "typed \"запись\", the name box holds \"$box\""
xdotool key Return
e2e_wait_exit "$setpid" 20 || fail "Set Command did not end after Set"
[ "$(head -c 3 "$data" | od -An -tx1 | tr -d ' ')" = "efbbbf" ] || fail "no UTF-8 byte order mark after storing a Cyrillic name"
iconv -f UTF-8 -t UTF-8 "$data" >/dev/null 2>&1 || fail "the rewritten file is not valid UTF-8"
grep -qxF "запись=$E2E_REC_WIN"$'\r' "$data" || fail "the Cyrillic name was not stored"
{ printf '\xef\xbb\xbf'; iconv -f CP1252 -t UTF-8 "$E2E_DIR/ansi.switched"; } >"$E2E_DIR/utf8.expected"
grep -vxF "запись=$E2E_REC_WIN"$'\r' "$data" | cmp - "$E2E_DIR/utf8.expected" ||
  { cat -A "$data"; fail "the entries of the ANSI file did not all come over unchanged"; }
wine "$E2E_DIR/TVX.exe" /l café >/dev/null 2>&1
for _ in $(seq 100); do [ "$(records)" -ge 2 ] && break; sleep 0.2; done
[ "$(records)" -eq 2 ] || fail "\"café\" no longer launches from the converted file"
echo "ok: Cyrillic typed and by /l in other case, the ANSI file read, kept and converted"

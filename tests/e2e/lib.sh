# Shared by the end-to-end scripts: a private folder with TVX.exe, the
# recorder and a data file; waiting for windows; starting under Wine.
set -euo pipefail

e2e_setup() {  # exe recorder
  E2E_DIR=$(mktemp -d /tmp/tvx-e2e.XXXXXX)
  cp "$1" "$E2E_DIR/TVX.exe"
  cp "$2" "$E2E_DIR/recorder.exe"
  E2E_REC_WIN=$(winepath -w "$E2E_DIR/recorder.exe" 2>/dev/null)
  export TVX_RECORD
  TVX_RECORD=$(winepath -w "$E2E_DIR/record.txt" 2>/dev/null)
  trap e2e_cleanup EXIT
}

e2e_cleanup() {
  if [ -n "${E2E_PID:-}" ] && kill -0 "$E2E_PID" 2>/dev/null; then kill "$E2E_PID" 2>/dev/null || true; fi
  # A script's own clean-up steps (registry entries, programs it caused to start).
  if declare -F e2e_cleanup_more >/dev/null; then e2e_cleanup_more || true; fi
  # Every copy started from the folder has ended before the next test: one
  # still ending holds the single-instance lock, which refuses the next
  # argument-free start.
  local name
  name=$(basename "$E2E_DIR")
  for _ in $(seq 100); do
    pgrep -f "$name.TVX\.exe" >/dev/null || break
    sleep 0.1
  done
  rm -rf "$E2E_DIR"
}

# Starts the launcher window of the copy in E2E_DIR (arguments passed on),
# sets E2E_PID and E2E_WID and gives the window the keyboard focus.
e2e_start_launcher() {
  wine "$E2E_DIR/TVX.exe" "$@" >/dev/null 2>&1 &
  E2E_PID=$!
  E2E_WID=$(e2e_wait_window '^Tavrix$' 40) || {
    kill -0 "$E2E_PID" 2>/dev/null && echo "launcher window did not appear" ||
      echo "launcher window did not appear: the program ended (refused while another instance ran?)"
    exit 1
  }
  e2e_focus "$E2E_WID"
}

e2e_focus() {  # window id
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1" 2>/dev/null || true
  sleep 0.5
}

# Types text with any characters into the focused box. Wine loses the first
# key of a program when xdotool has had to map that key's character to a key
# of its own just then: a BackSpace (nothing to delete yet) goes first.
e2e_type() {
  xdotool key BackSpace
  sleep 0.2
  xdotool type --delay 80 "$1"
}

# The text of the n-th edit box of the window with that title, through the box_text helper.
e2e_box_text() {  # title [n]
  wine "$E2E_BOX_TEXT" "$@" 2>/dev/null
}

# Prints the X window id of the first visible window whose name matches, waiting up to $2 seconds.
e2e_wait_window() {
  local name=$1 limit=${2:-30} id=""
  for _ in $(seq $((limit * 10))); do
    id=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

e2e_wait_exit() {  # pid seconds
  for _ in $(seq $(($2 * 10))); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

e2e_wait_file_line() {  # file pattern seconds
  for _ in $(seq $(($3 * 10))); do
    grep -q -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

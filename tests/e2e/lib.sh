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
  rm -rf "$E2E_DIR"
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

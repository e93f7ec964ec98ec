#!/usr/bin/env bash
# Builds both presets and runs every test: native (with a sanitizer build and
# short fuzz runs) and Windows under Wine. Exits non-zero when any test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1
status=0
run() { echo "== $*"; "$@" || { echo "!! failed: $*"; status=1; }; }

run cmake --preset native
run cmake --build --preset native
run ctest --preset native

run cmake --preset sanitize
run cmake --build --preset sanitize
run ctest --preset sanitize

if [ -f tests/fuzz/CMakeLists.txt ]; then
  run cmake --preset fuzz
  run cmake --build --preset fuzz
  for f in build/fuzz/tests/fuzz/fuzz_*; do
    [ -f "$f" ] && [ -x "$f" ] || continue
    log="build/fuzz/$(basename "$f").log"
    echo "== $f (${TVX_FUZZ_SECONDS:-20} s)"
    if "$f" -max_total_time="${TVX_FUZZ_SECONDS:-20}" -rss_limit_mb=2048 -artifact_prefix=build/fuzz/ >"$log" 2>&1; then
      tail -1 "$log"
    else
      tail -30 "$log"; echo "!! failed: $f"; status=1
    fi
  done
fi

run cmake --preset windows
run cmake --build --preset windows
eval "$(bash scripts/wine-session.sh start)"
run ctest --preset windows
bash scripts/wine-session.sh stop

if [ $status -eq 0 ]; then echo "ALL TESTS PASSED"; else echo "SOME TESTS FAILED"; fi
exit $status

#!/usr/bin/env bash
# Checks the formatting, builds every preset with warnings as errors and runs every test: native
# (with a sanitizer build and short fuzz runs) and Windows under Wine (GCC;
# the clang build runs the portable tests), then makes the release package
# and checks what it holds. Exits non-zero when any step fails.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1
status=0
run() { echo "== $*"; "$@" || { echo "!! failed: $*"; status=1; }; }

# Every source file as clang-format writes it (.clang-format at the root).
formatted() { clang-format --dry-run --Werror $(find src tests bench -name '*.cpp' -o -name '*.h' | sort); }
run formatted

run cmake --preset native -DTVX_WERROR=ON
run cmake --build --preset native
run ctest --preset native

run cmake --preset sanitize -DTVX_WERROR=ON
run cmake --build --preset sanitize
run ctest --preset sanitize

run cmake --preset fuzz -DTVX_WERROR=ON
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

run cmake --preset windows -DTVX_WERROR=ON
run cmake --build --preset windows
run cmake --preset windows-clang -DTVX_WERROR=ON
run cmake --build --preset windows-clang
eval "$(bash scripts/wine-session.sh start)"
run ctest --preset windows
run ctest --preset windows-clang -E 'win32|e2e'
bash scripts/wine-session.sh stop

# The release package holds the program, the README and the licence, nothing else.
version=$(sed -n 's/^project(Tavrix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip=build/windows/Tavrix-$version-win64.zip
rm -f "$zip"
run cmake --build --preset windows --target package
listed=$(unzip -Z1 "$zip" 2>/dev/null | sort | tr '\n' ' ')
if [ "$listed" = "LICENSE README.md TVX.exe " ]; then
  echo "== $zip holds: $listed"
else
  echo "!! failed: $zip holds '$listed' instead of 'LICENSE README.md TVX.exe '"; status=1
fi
# Beside it: its SHA-256 and the Scoop and winget manifests for this very ZIP.
run python3 scripts/check_package_manifests.py "$zip" "$version"

if [ $status -eq 0 ]; then echo "ALL TESTS PASSED"; else echo "SOME TESTS FAILED"; fi
exit $status

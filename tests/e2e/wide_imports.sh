#!/usr/bin/env bash
# Fails when TVX.exe imports the ANSI (...A) form of a call that has a wide
# one: every text must reach the system as UTF-16. Checked: user32, shell32,
# advapi32, comdlg32, ole32, version and kernel32; the few kernel32 ANSI calls
# that the C and C++ runtime and the delay-load helper make themselves (none
# of them passes the program's text) are allowed by name.
# Usage: wide_imports.sh TVX.exe objdump nm def-folder
set -u
exe=$1 objdump=$2 nm=$3 defs=$4

# Imported by the runtime, not by the program's code (FormatMessageA: the C++
# library's system_error texts; GetModuleHandleA: the threads library's clock).
runtime="GetStartupInfoA CreateEventA CreateSemaphoreA OutputDebugStringA LoadLibraryA FormatMessageA GetModuleHandleA"
checked="USER32.DLL SHELL32.DLL ADVAPI32.DLL COMDLG32.DLL OLE32.DLL VERSION.DLL KERNEL32.DLL"

# Ordinary imports, as "dll function" lines.
imports=$("$objdump" -p "$exe" | awk '
  /DLL Name:/ { dll = toupper($3); next }
  dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $3 }
  /^$/ && dll != "" && seen { dll = "" }
  dll != "" { seen = 1 }')
# Delay-loaded ones leave no import table entry, but an __imp_ pointer each;
# their DLL is the one whose .def file names them.
pointers=$("$nm" "$exe" | awk '$3 ~ /^__imp_/ { sub(/^__imp_/, "", $3); print $3 }')
for def in "$defs"/*.def; do
  dll=$(awk '/^LIBRARY/ { print toupper($2) }' "$def")
  for fn in $(grep -xF -f <(sed '1,/^EXPORTS/d' "$def") <<<"$pointers"); do
    imports+=$'\n'"$dll $fn"
  done
done

offenders=$(echo "$imports" | while read -r dll fn; do
  [[ -z "$dll" || "$fn" != *A ]] && continue
  [[ " $checked " == *" $dll "* ]] || continue
  [[ "$dll" == KERNEL32.DLL && " $runtime " == *" $fn "* ]] && continue
  echo "  $dll $fn"
done | sort -u)

if [[ -n "$offenders" ]]; then
  echo "TVX.exe imports ANSI functions; use the wide (W) forms:"
  echo "$offenders"
  exit 1
fi
echo "TVX.exe imports no ANSI function of: $checked"

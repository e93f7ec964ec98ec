#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own where the faces the
# windows ask for ("MS Sans Serif", "Tahoma", "Comic Sans MS") are drawn with
# a wider font, as on a system that substitutes its own: the prefix has none
# of the Windows fonts (Wine applies a replacement only to a face it does not
# have) and a font replacement in the Wine registry draws them with DejaVu
# Sans. The prefix is made on first use and kept beside the session's one
# ($WINEPREFIX-wide); its wineserver is ended when the program ends, so the
# session's own prefix and wineserver are left alone.
# Usage: scripts/wine-wide-font.sh PROGRAM [ARGUMENTS]  (the emulator of the wide font test)
set -uo pipefail
. "$(dirname "$0")/wine-registry.sh"
export WINEPREFIX=${TVX_WIDE_PREFIX:-${WINEPREFIX:-$HOME/.wine-tavrix}-wide}
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=${DISPLAY:-:99}
trap 'wineserver -k </dev/null >/dev/null 2>&1' EXIT
mkdir -p "$WINEPREFIX"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i </dev/null >/dev/null 2>&1
tvx_apply_registry "$WINEPREFIX/.tvx-wide-fonts" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS Sans Serif"="DejaVu Sans"
"Tahoma"="DejaVu Sans"
"Comic Sans MS"="DejaVu Sans"
REG
wine "$@"

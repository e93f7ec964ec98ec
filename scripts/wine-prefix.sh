#!/usr/bin/env bash
# Makes the Wine prefix $WINEPREFIX (creating it when missing) draw text as
# Windows does. A fresh prefix of Debian's Wine does not find the fonts of
# Debian's fonts-wine, so "MS Sans Serif", "Tahoma" and the rest come out in
# whatever sans-serif font the system has, with other measures: layouts made
# for the Windows fonts are then cut. Here those fonts are copied into the
# prefix's Fonts folder, and the Windows fonts that Debian has no copy of
# are replaced by fonts of the same measures (Liberation) or, for Comic Sans
# MS, of the same design and height (Comic Neue).
# Run with the prefix's wineserver up or not; prints nothing when all is well.
set -euo pipefail
. "$(dirname "$0")/wine-registry.sh"
prefix=${WINEPREFIX:-$HOME/.wine-tavrix}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  wineboot -i </dev/null >/dev/null 2>&1 || true
fi
fonts=$prefix/drive_c/windows/Fonts
mkdir -p "$fonts"
wine_fonts=/usr/share/wine/fonts
if ! ls "$wine_fonts"/tahoma.ttf >/dev/null 2>&1; then
  echo "wine-prefix: $wine_fonts/tahoma.ttf is missing (Debian package fonts-wine): Wine will draw with other fonts" >&2
else
  cp -u "$wine_fonts"/*.ttf "$wine_fonts"/*.fon "$fonts"/
fi
# A replacement applies only where the prefix has no font of that name.
tvx_apply_registry "$prefix/.tvx-fonts" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Arial Narrow"="Liberation Sans Narrow"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"
"Comic Sans MS"="Comic Neue"
REG

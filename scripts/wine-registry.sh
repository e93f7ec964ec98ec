# Sourced by the Wine prefix scripts. tvx_apply_registry STAMP imports the
# REGEDIT4 text on standard input into $WINEPREFIX, unless STAMP records that
# this very text was imported already (a changed text is imported again).
tvx_apply_registry() {
  local stamp=$1 reg sum file
  reg=$(cat)
  sum=$(printf '%s' "$reg" | md5sum)
  [ "$(cat "$stamp" 2>/dev/null)" = "$sum" ] && return 0
  file=$(mktemp /tmp/tvx-registry.XXXXXX.reg)
  printf '%s\r\n' "$reg" >"$file"
  wine regedit /S "$(winepath -w "$file" 2>/dev/null)" </dev/null >/dev/null 2>&1
  rm -f "$file"
  printf '%s\n' "$sum" >"$stamp"
}

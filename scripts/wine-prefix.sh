#!/usr/bin/env bash
# Creates the Wine prefix the tests use: Japanese fonts mapped, the "shell" virtual desktop.
# Does nothing when the prefix is already complete; "--fresh" makes it anew.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

stamp="$WINEPREFIX/.vakro-prefix-v3"
if [ "${1:-}" = "--fresh" ]; then rm -rf "$WINEPREFIX"; fi
[ -f "$stamp" ] && exit 0

echo "setup: creating the Wine prefix $WINEPREFIX"
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
env -u DISPLAY "$wine_exe" wineboot -i >/dev/null 2>&1 || true
"$WINESERVER" -w

reg=$(mktemp --suffix=.reg)
trap 'rm -f "$reg"' EXIT
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="shell"\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"shell"="1024x768"\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  # Proportional faces take the proportional IPA face, so texts keep their width.
  for face in "MS UI Gothic" "ＭＳ Ｐゴシック" "MS PGothic"; do
    printf '"%s"="IPAPGothic"\r\n' "$face"
  done
  for face in "ＭＳ ゴシック" "MS Gothic"; do
    printf '"%s"="IPAGothic"\r\n' "$face"
  done
  for face in "ＭＳ 明朝" "ＭＳ Ｐ明朝" "MS Mincho" "MS PMincho"; do
    printf '"%s"="IPAMincho"\r\n' "$face"
  done
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n'
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
env -u DISPLAY "$wine_exe" regedit /S "$(winepath_of() { echo "Z:${1//\//\\}"; }; winepath_of "$reg")" >/dev/null 2>&1
"$WINESERVER" -w
# This Wine looks for its own fonts (Marlett draws the caption buttons) beside its libraries,
# where Debian does not put them: the prefix's font folder is always searched.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
touch "$stamp"

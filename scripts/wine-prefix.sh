#!/usr/bin/env bash
# Creates the Wine prefix the tests use: Japanese fonts mapped, the "shell" virtual desktop.
# With 32-bit Wine installed the prefix is a WoW64 one that runs the 32-bit and the x64 builds
# side by side. Does nothing when the prefix is already complete; "--fresh" makes it anew.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

# The stamp names the kind of prefix: one made before 32-bit Wine came is made again.
kind=win64
[ -x "$wine32_exe" ] && kind=wow64
stamp="$WINEPREFIX/.vakro-prefix-v5-$kind"
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
  # Proportional faces stand in for proportional ones, fixed-pitch for fixed-pitch.
  for face in "MS UI Gothic" "ＭＳ Ｐゴシック" "MS PGothic"; do printf '"%s"="IPAPGothic"\r\n' "$face"; done
  for face in "ＭＳ ゴシック" "MS Gothic"; do printf '"%s"="IPAGothic"\r\n' "$face"; done
  for face in "ＭＳ Ｐ明朝" "MS PMincho"; do printf '"%s"="IPAPMincho"\r\n' "$face"; done
  for face in "ＭＳ 明朝" "MS Mincho"; do printf '"%s"="IPAMincho"\r\n' "$face"; done
  # Text files open in Notepad, as on Windows (Wine's own setup leaves .txt without a type).
  printf '\r\n[HKEY_CLASSES_ROOT\\.txt]\r\n@="txtfile"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n'
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
env -u DISPLAY "$wine_exe" regedit /S "$(winepath_of() { echo "Z:${1//\//\\}"; }; winepath_of "$reg")" >/dev/null 2>&1
"$WINESERVER" -w
# This Wine looks for its own fonts (Marlett draws the caption buttons) beside its libraries,
# where Debian does not put them: the prefix's font folder is always searched.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
touch "$stamp"

#!/usr/bin/env bash
# Builds vakro and runs it under Wine: on $DISPLAY when there is one, else on a new virtual
# display (the "shell" desktop of the Wine prefix, 1024x768) that stays up until Ctrl+C.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

scripts/setup.sh
scripts/build.sh win32
scripts/build.sh win64
echo "Release (32-bit Windows): build/win32/ui/vakro.exe and build/win32/hooklib/NodraLib.dll"

program=build/win64/ui/vakro.exe
if [ ! -f "$program" ]; then
  echo "vakro.exe is not built yet; the deliverables above are all there is to run."
  exit 0
fi

source scripts/wine-env.sh
source scripts/xvfb.sh
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb
  trap 'stop_xvfb' EXIT
  echo "vakro runs on the virtual display $DISPLAY (Ctrl+C ends it)."
fi
"$wine_exe" "$program"
"$WINESERVER" -w

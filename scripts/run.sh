#!/usr/bin/env bash
# Builds vakro and runs it under Wine: the 32-bit release where this machine runs 32-bit code,
# else the x64 build of the same sources. On $DISPLAY when there is one; else on a new virtual
# display (the "shell" desktop of the Wine prefix, 1024x768), served to VNC viewers on this
# machine only, that stays up until Ctrl+C.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

scripts/setup.sh
scripts/build.sh win32
scripts/build.sh win64
echo "Release (32-bit Windows): build/win32/ui/vakro.exe and build/win32/hooklib/NodraLib.dll"

source scripts/wine-env.sh
source scripts/xvfb.sh
if why=$(scripts/probe-i386.sh) && [ -x "$wine32_exe" ]; then
  program=build/win32/ui/vakro.exe
  echo "Running the 32-bit release (32-bit Wine; keys typed into 64-bit programs, the desktop's"
  echo "own window among them, are not seen under Wine)."
else
  [ -x "$wine32_exe" ] || why="32-bit Wine is not installed"
  program=build/win64/ui/vakro.exe
  echo "Running the x64 build: $why."
fi

vnc_pid=
stop_display() {
  [ -n "$vnc_pid" ] && kill "$vnc_pid" 2>/dev/null && wait "$vnc_pid" 2>/dev/null
  stop_xvfb
}
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb
  trap stop_display EXIT
  vnc_log=$(mktemp "${TMPDIR:-/tmp}/vakro-vnc.XXXXXX")
  # Loopback only, so nobody else on the network can watch or type.
  x11vnc -display "$DISPLAY" -localhost -forever -shared -nopw -autoport 5900 >"$vnc_log" 2>&1 &
  vnc_pid=$!
  port=
  for _ in $(seq 100); do
    port=$(sed -n 's/^PORT=//p' "$vnc_log")
    [ -n "$port" ] || ! kill -0 "$vnc_pid" 2>/dev/null && break
    sleep 0.1
  done
  echo "vakro runs on the virtual display $DISPLAY."
  if [ -n "$port" ]; then
    echo "See it with a VNC viewer on this machine: vncviewer localhost::$port"
  else
    echo "(The VNC server did not start; see $vnc_log.)"
  fi
  echo "End it with Ctrl+C here, or 終了(&X) in vakro's tray menu."
fi
"$wine_exe" "$program"
"$WINESERVER" -w

#!/usr/bin/env bash
# Runs a command beside a private PulseAudio server that holds a null sink, so that Wine offers
# a mixer device with a speakers line; the server is ended by its process id afterwards.
# Exits 77 (a skip for ctest) when no server can be started here.
set -uo pipefail

if ! command -v pulseaudio >/dev/null 2>&1; then
  echo "with-pulseaudio: pulseaudio is not installed (scripts/setup.sh installs it)" >&2
  exit 77
fi

runtime=$(mktemp -d "${TMPDIR:-/tmp}/vakro-pulse.XXXXXX")
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
export PULSE_RUNTIME_PATH=$runtime/pulse
export PULSE_STATE_PATH=$runtime/state
export PULSE_SERVER=unix:$PULSE_RUNTIME_PATH/native
export VAKRO_PULSE_SERVER=$PULSE_SERVER

stop_server() {
  local pid
  pid=$(cat "$PULSE_RUNTIME_PATH/pid" 2>/dev/null) || pid=
  if [ -n "$pid" ] && kill "$pid" 2>/dev/null; then
    local deadline=$((SECONDS + 10))
    while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
  fi
  rm -rf "$runtime"
}
trap stop_server EXIT

if ! pulseaudio -D -n --exit-idle-time=-1 --load=module-null-sink \
       --load=module-native-protocol-unix >"$runtime/server.log" 2>&1; then
  echo "with-pulseaudio: the server did not start:" >&2
  cat "$runtime/server.log" >&2
  exit 77
fi
deadline=$((SECONDS + 10))
until [ -S "$PULSE_RUNTIME_PATH/native" ]; do
  if [ $SECONDS -ge $deadline ]; then
    echo "with-pulseaudio: no server socket at $PULSE_RUNTIME_PATH/native" >&2
    exit 77
  fi
  sleep 0.1
done

"$@"

# Sourced: start_xvfb starts a virtual X display on a free number and exports DISPLAY;
# stop_xvfb ends it by process id.
start_xvfb() {
  local n
  for n in $(seq 90 250); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  local deadline=$((SECONDS + 20))
  until xdotool getdisplaygeometry >/dev/null 2>&1; do
    if [ $SECONDS -ge $deadline ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
      echo "xvfb: display :$n did not start" >&2
      return 1
    fi
    sleep 0.1
  done
}

stop_xvfb() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}

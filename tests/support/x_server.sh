# Sourced by the tests that show windows: start_x starts an X server of the test's own (Xvfb) on
# a display number nobody holds, waits until it answers, and sets DISPLAY and x_server_pid (the
# caller's EXIT trap kills it). The server never resets when its last client leaves (-noreset):
# a program started during a reset would find no display. Returns 1 when none could be started.
x_server_pid=
start_x() {
  local n
  for n in $(seq $((300 + RANDOM % 500)) 899); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    x_server_pid=$!
    for _ in $(seq 1 100); do
      if DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$x_server_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$x_server_pid" 2>/dev/null || true
    wait "$x_server_pid" 2>/dev/null || true
    x_server_pid=
  done
  echo "no X server could be started"
  return 1
}

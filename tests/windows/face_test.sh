#!/usr/bin/env bash
# face_test.sh BUILD_WIN32_DIR
# The Windows desktop program, vornalis.exe, driven under Wine by win32_face_driver.exe on an X
# server of the test's own: its windows are X windows there. The driver's GoogleTest counts are
# what count, since Wine may end with 0 when a program could not start.
set -uo pipefail
build=$(cd "$1" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(mktemp -d /tmp/vornalis-wine-XXXXXX)}
export WINEDEBUG=-all
log=$(mktemp)
trap '[ -n "$x_server_pid" ] && kill "$x_server_pid" 2>/dev/null; rm -f "$log"' EXIT

source "$(dirname "$0")/../support/x_server.sh"
start_x || exit 1
# Wine programs that ran before without a display leave a Wine server, and its desktop process,
# that would show no window: they end first, and the next program starts them on this display.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

status=0
timeout 600 wine "$build/bin/win32_face_driver.exe" --gtest_color=no 2>&1 | tr -d '\r' >"$log" ||
  status=$?
wineserver -k 2>/dev/null || true
grep -E '^\[ *(OK|FAILED) *\]|Failure|Expected|Which is|Actual' "$log" | head -n 60
ran=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' "$log" | tail -n 1)
if [ "$status" -ne 0 ] || [ -z "$ran" ] || grep -q '^\[  FAILED  \]' "$log"; then
  echo "the Windows desktop program failed its drive under Wine (status $status)"
  exit 1
fi
echo "vornalis.exe under Wine: $ran drives passed"

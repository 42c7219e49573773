#!/usr/bin/env bash
# face_test.sh BUILD_WIN32_DIR
# The Windows desktop program, vornalis.exe, driven under Wine by win32_face_driver.exe on an X
# server of the test's own, in a Wine prefix of its own: its windows are X windows there. The
# driver's GoogleTest counts are what count, since Wine may end with 0 when a program could not
# start.
set -uo pipefail
build=$(cd "$1" && pwd)
source "$(dirname "$0")/wine_prefix.sh"
use_own_wine_prefix
log=$(mktemp)
trap 'end_wine_prefix; [ -n "$x_server_pid" ] && kill "$x_server_pid" 2>/dev/null; rm -f "$log"' EXIT

source "$(dirname "$0")/../support/x_server.sh"
start_x || exit 1

status=0
timeout 600 wine "$build/bin/win32_face_driver.exe" --gtest_color=no 2>&1 | tr -d '\r' >"$log" ||
  status=$?
end_wine_prefix
grep -E '^\[ *(OK|FAILED) *\]|Failure|Expected|Which is|Actual' "$log" | head -n 60
ran=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' "$log" | tail -n 1)
if [ "$status" -ne 0 ] || [ -z "$ran" ] || grep -q '^\[  FAILED  \]' "$log"; then
  echo "the Windows desktop program failed its drive under Wine (status $status)"
  exit 1
fi
echo "vornalis.exe under Wine: $ran drives passed"

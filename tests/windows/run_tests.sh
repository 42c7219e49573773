#!/usr/bin/env bash
# run_tests.sh BUILD_WIN32_DIR
# Runs the Windows test programs of a cross build under Wine, each program once (every start
# costs Wine about half a second), in a Wine prefix of their own that goes when they end, and
# prints what ran. Wine that
# cannot start a program may still exit with 0, so the counts GoogleTest prints are what count:
# the script fails when a program fails, hangs, or reports no test that passed.
set -uo pipefail
build=$(cd "$1" && pwd)
source "$(dirname "$0")/wine_prefix.sh"
use_own_wine_prefix
trap end_wine_prefix EXIT
passed=0 skipped=0 failed=0
for program in "$build"/bin/*_tests.exe; do
  log=$(mktemp)
  status=0
  # The programs end their lines as Windows does.
  timeout 900 wine "$program" --gtest_color=no 2>&1 | tr -d '\r' >"$log" || status=$?
  ran=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' "$log" | tail -n 1)
  skip=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below:$/\1/p' "$log" | tail -n 1)
  bad=$(sed -n 's/^ *\([0-9]*\) FAILED TESTS\?$/\1/p' "$log" | tail -n 1)
  passed=$((passed + ${ran:-0})); skipped=$((skipped + ${skip:-0})); failed=$((failed + ${bad:-0}))
  if [ "$status" -ne 0 ] || [ -z "$ran" ] || [ -n "$bad" ]; then
    grep -E '^\[  FAILED  \]|Failure|error' "$log" | head -n 40 || true
    [ "$status" -eq 124 ] && echo "$(basename "$program") did not end within 15 minutes"
    echo "$(basename "$program") failed under Wine (status $status)"
    failed=$((failed + 1))
  fi
  grep '^\[  SKIPPED \] .*(' "$log" | sed 's/ (.*//' || true
  rm -f "$log"
done
echo "Under Wine: $passed tests passed, $skipped skipped, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]

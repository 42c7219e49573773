#!/usr/bin/env bash
# lintian_test.sh BUILD_DIR
# The Debian package as Debian's own checker sees it: made by the build's CPack configuration and
# checked by lintian, whose every finding is printed. An error or a warning fails the test; the
# package overrides none (README.md, "Installing", says why the notes it leaves are as they are).
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/package") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/package/vornalis_*.deb)
# lintian exits with 1 when it finds an error, and with more when it cannot check at all.
status=0
lintian --display-info --show-overrides "$deb" >"$work/findings" 2>"$work/errors" || status=$?
cat "$work/findings"
if [ "$status" -gt 1 ]; then
  cat "$work/errors"
  echo "lintian could not check $(basename "$deb") (status $status)"
  exit 1
fi
if grep -qE '^[EW]: ' "$work/findings"; then
  echo "lintian finds errors or warnings in $(basename "$deb")"
  exit 1
fi
echo "lintian: no error and no warning in $(basename "$deb")"

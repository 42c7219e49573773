#!/usr/bin/env bash
# check_includes_test.sh CHECK_INCLUDES
# The layers' check on small trees of its own: each case plants one file with one include and
# says whether the check must pass; one that must fail must name the file and line.
set -euo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0 cases=0
# expect pass|fail FILE INCLUDE [NAMED]: a tree holding FILE, which includes INCLUDE in its third
# line; a failure names NAMED (by default FILE:3:).
expect() {
  local outcome=$1 file=$2 included=$3 named=${4:-$2:3:} tree status=0
  cases=$((cases + 1))
  tree=$(mktemp -d "$work/tree.XXXXXX")
  mkdir -p "$tree/$(dirname "$file")"
  printf '// a file\n\n#include "%s"\n' "$included" >"$tree/$file"
  "$check" "$tree" >"$tree.out" 2>&1 || status=$?
  if { [ "$outcome" = pass ] && [ "$status" -eq 0 ]; } ||
    { [ "$outcome" = fail ] && [ "$status" -eq 1 ] && grep -qF "$named" "$tree.out"; }; then
    return 0
  fi
  echo "FAILED: $file including \"$included\" should $outcome (status $status):"
  sed 's/^/  /' "$tree.out"
  failures=$((failures + 1))
}

# Downwards, and within a folder.
expect pass engine/piece_set.cpp platform/file_system.h
expect pass engine/piece_set.cpp recovery/check.h
expect pass recovery/create.cpp platform/endian.h
expect pass desktop/session.cpp exe/make_exe.h
expect pass ui/main/main_form.cpp desktop/session.h
expect pass app_win32/main.cpp ui_win32/main_window.h
expect pass platform/qt/web_link.cpp platform/web_link_command.h
expect pass cli/main.cpp vornalis/version.h
expect pass tests/ui/main_form_test.cpp main_form_test.moc
expect pass tests/engine/anything_test.cpp ui/main/main_form.h
expect pass bench/gui_open_bench.cpp tests/ui_win32/remote_window.h
expect pass ui/main/main_form.cpp "main_form.h"
# Upwards, sideways, and paths that climb.
expect fail platform/path.cpp engine/format.h
expect fail recovery/create.cpp engine/endian.h
expect fail engine/piece_set.cpp desktop/session.h
expect fail exe/make_exe.cpp cli/progress.h
expect fail cli/main.cpp desktop/texts.h
expect fail desktop/session.cpp cli/progress.h
expect fail ui/main/main_form.cpp ui_win32/main_window.h
expect fail ui_win32/main_window.cpp ui/main/main_form.h
expect fail desktop/session.cpp ui/main/main_form.h
expect fail app/main.cpp ui_win32/main_window.h
expect fail fuzz/catalogue_fuzzer.cpp desktop/session.h
expect fail engine/piece_set.cpp ../desktop/session.h
expect fail engine/piece_set.cpp platform/../desktop/session.h
expect fail engine/piece_set.rc desktop/resource.h
# A folder the layers do not know.
expect fail tools/tool.cpp engine/format.h "tools/tool.cpp: the folder tools/"

echo "$((cases - failures)) of $cases include cases as expected"
[ "$failures" -eq 0 ]

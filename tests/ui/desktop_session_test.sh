#!/usr/bin/env bash
# The desktop program as a user runs it, on an X server of its own (Xvfb), driven by keys:
# - --help, -h, -?, /?, --version and -v answer without any display;
# - a run that opens each file dialog, the help and then ends writes nothing below HOME or the
#   configuration folder;
# - the start-up add (/f) commits the set: killed with SIGKILL right after, the set lists and
#   verifies with every file the window showed; SIGTERM and SIGHUP after it close the set
#   properly (no lock left) and end the program with 0, also while a dialog is open.
# Usage: desktop_session_test.sh BIN_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
trap '[ -n "$x_server_pid" ] && kill "$x_server_pid" 2>/dev/null; rm -rf "$work"' EXIT
# Every run of the program has a home of the test's own; the check that the program writes
# nothing there gives it another, empty one.
export HOME=$work/session-home XDG_CONFIG_HOME=$work/session-home/config \
  XDG_DATA_HOME=$work/session-home/data XDG_CACHE_HOME=$work/session-home/cache \
  XDG_RUNTIME_DIR=$work/session-home/runtime
mkdir -p -m 700 "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
failures=0 checks=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  checks=$((checks + 1))
  if "$@" >"$work/check.out" 2>&1; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    sed 's/^/  /' "$work/check.out"
    failures=$((failures + 1))
  fi
}

# Each way of asking, from a folder where no file is called so: exit 0, the text, and no window.
options_need_no_display() {
  local option expected out
  for option in --help -h -? /? --version -v; do
    case $option in
      --version | -v) expected='^vornalis [0-9.]*$' ;;
      *) expected='^Usage: vornalis ' ;;
    esac
    out=$(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$bin/vornalis" "$option") ||
      { echo "vornalis $option: exit status $?"; return 1; }
    echo "$out" | head -n 1 | grep -q "$expected" || { echo "vornalis $option printed: $out"; return 1; }
  done
}

# The driving runs on an X server of the test's own, started once, whatever platform the
# environment names.
source "$(dirname "$0")/../support/x_server.sh"
display=
drive() {  # drive SCRIPT: runs the bash script on the test's X server with the program's folder as $bin
  if [ -z "$display" ]; then
    start_x
    display=$DISPLAY
  fi
  DISPLAY=$display QT_QPA_PLATFORM=xcb bin=$bin bash -euo pipefail "$1"
}

cat >"$work/helpers.sh" <<'HELPERS'
# wait_window TITLE_REGEX: the window's id once it shows (30 s at most).
wait_window() { timeout 30 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
# keys TITLE_REGEX KEYS...: once a window of that title has the keyboard focus, types the keys,
# which go wherever the focus is (a menu the keys open takes the next ones). A dialog takes the
# focus when it shows; with no window manager to give it back, the window a dialog was over is
# given it after a second.
keys() {
  local title=$1 tries=0
  shift
  for tries in $(seq 1 300); do
    if xdotool getwindowfocus getwindowname 2>/dev/null | grep -Eq "$title"; then
      if [ $# -gt 0 ]; then xdotool key --delay 100 "$@"; fi
      sleep 0.3
      return 0
    fi
    if [ "$tries" -eq 10 ]; then
      xdotool search --onlyvisible --name "$title" windowfocus --sync >/dev/null 2>&1 || true
    fi
    sleep 0.1
  done
  echo "no window '$title' has the focus: $(xdotool getwindowfocus getwindowname 2>/dev/null)"
  return 1
}
# wait_for_file PATH: until it exists (30 s at most).
wait_for_file() {
  for _ in $(seq 1 300); do [ -e "$1" ] && return 0; sleep 0.1; done
  echo "no $1"
  return 1
}
# ends PID: the program ends within 20 s; prints its exit status.
ends() {
  local status=0
  timeout 20 tail --pid="$1" -f /dev/null || { echo "still running"; kill -KILL "$1"; }
  wait "$1" || status=$?
  echo "exit status $status"
  return "$status"
}
HELPERS

no_settings_written() {
  local home=$work/home set=$work/settings
  mkdir -p "$home" "$set/src"
  echo "a file" >"$set/src/a.txt"
  "$bin/vornalis-cli" create -q --size 1000 "$set/backup" "$set/src"
  cat >"$work/settings.sh" <<DRIVE
source "$work/helpers.sh"
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
  XDG_CACHE_HOME="$home/cache" "\$bin/vornalis" "$set/backup.pec" &
program=\$!
main='^backup-Dorvelin\$'
xdotool windowfocus --sync "\$(wait_window "\$main")"
keys "\$main" ctrl+o; keys '^Open\$' Escape               # Open
keys "\$main" ctrl+a; keys '^Open\$' Escape               # Add
keys "\$main" alt+a f; keys '^Add Folder\$' Escape        # Add Folder...
keys "\$main" ctrl+n; keys '^Save As\$' Escape            # New
keys "\$main" F1; keys '^Vornalis Help\$' Escape          # Help
keys "\$main" alt+f x                                      # Exit
ends \$program
DRIVE
  drive "$work/settings.sh"
  if [ -n "$(ls -A "$home")" ]; then
    echo "written below HOME:"
    find "$home" -mindepth 1
    return 1
  fi
}

# end_after_start_up_add SIGNAL: packs three files with /f, then sends SIGNAL once the set is on
# disk; with a dialog open when DIALOG is given. The set must list and verify with all three.
end_after_start_up_add() {
  local signal=$1 dialog=${2:-} dir
  dir=$(mktemp -d "$work/end.XXXXXX")
  mkdir -p "$dir/src"
  for name in one two three; do head -c 3000 /dev/urandom >"$dir/src/$name.bin"; done
  printf '%s\n' "$dir/src/one.bin" "$dir/src/two.bin" "$dir/src/three.bin" >"$dir/files.lst"
  cat >"$dir/drive.sh" <<DRIVE
source "$work/helpers.sh"
"\$bin/vornalis" "$dir/made.pec" /f "$dir/files.lst" &
program=\$!
keys '^Choose piece size\$' Return
wait_for_file "$dir/made.pec"
if [ -n "$dialog" ]; then keys '^made-Dorvelin\$' ctrl+a; keys '^Open\$'; fi
kill -$signal \$program
status=0
ends \$program || status=\$?
case $signal in
  KILL) [ "\$status" -eq 137 ] ;;
  *) [ "\$status" -eq 0 ] && [ ! -e "$dir/made.pec.lock" ] ;;
esac
DRIVE
  drive "$dir/drive.sh"
  "$bin/vornalis-cli" list "$dir/made.pec" | tee "$dir/list"
  [ "$(grep -c '\.bin' "$dir/list")" -eq 3 ]
  "$bin/vornalis-cli" verify "$dir/made.pec"
  "$bin/vornalis-cli" extract "$dir/made.pec" "$dir/out" >/dev/null
  diff -r "$dir/src" "$dir/out"
}

check "--help, -h, -?, /?, --version and -v need no display" options_need_no_display
check "a run with every file dialog writes nothing below HOME" no_settings_written
check "SIGKILL after the start-up add: the set is whole" end_after_start_up_add KILL
check "SIGTERM after the start-up add: closed, ended with 0" end_after_start_up_add TERM
check "SIGHUP after the start-up add: closed, ended with 0" end_after_start_up_add HUP
check "SIGTERM with a dialog open: closed, ended with 0" end_after_start_up_add TERM dialog

echo "$((checks - failures)) of $checks desktop session checks passed"
[ "$failures" -eq 0 ]

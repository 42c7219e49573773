#!/usr/bin/env bash
# setup_test.sh BUILD_WIN32_DIR
# The Windows setup program under Wine, in a fresh prefix, as an administrator's script uses it:
# a silent install lays every file of the build's list (install/windows/setup-files.txt) into
# the program folder byte for byte, with the Start menu shortcuts, the file type of piece files
# and the entry in the list of installed programs; the installed vornalis-cli.exe lists and
# rebuilds a set and makes a self-assembling program with the installed stub; on an X server of
# the test's own, the setup's window is titled "Vornalis Setup" on its pages, a piece file
# started through the file type opens the desktop program on its set, and the "Assemble here"
# command, as the registry holds it, rebuilds the set beside the piece; a silent uninstall has,
# when it returns, left the prefix's files and registry as they were before the install, but for
# the files the user put in the program folder, which stay; and installed into a folder of the
# user's choice where .pec named another program's class, it gives the extension back. Prints
# the setup's size, the times, and the files and registry keys and values the setup made.
set -euo pipefail
build=$(cd "$1" && pwd)
list=$build/install/windows/setup-files.txt
setups=("$build"/vornalis-*-setup.exe)
[ ${#setups[@]} -eq 1 ] && [ -f "${setups[0]}" ] || { echo "no single setup program in $build" >&2; exit 1; }
setup=${setups[0]}
version=$(basename "$setup" | sed 's/^vornalis-\(.*\)-setup\.exe$/\1/')

work=$(mktemp -d /tmp/vornalis-setup-XXXXXX)
export WINEPREFIX=$work/wine WINEDEBUG=-all
# No menu entries or file types of the prefix's programs on this machine's desktop, and no
# offer to install Wine's .NET and HTML engines into the new prefix.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY  # an X server only where a program's window is looked for
drive=$WINEPREFIX/drive_c
program_folder="$drive/Program Files/Vornalis"
start_menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Vornalis"
win_folder='C:\Program Files\Vornalis'

checks=0
pass() { checks=$((checks + 1)); echo "ok $checks - $1"; }
fail() { echo "FAILED: $1" >&2; exit 1; }
seconds_since() { echo "$(($(date +%s%N) - $1))" | sed 's/\(...\)......$/.\1/; s/^\./0./'; }

# What a prefix holds: its files (less the temporary folders, which programs leave things in)
# and its registry below Software, in the machine's and the user's hives, as Wine saves it (less
# the times it writes, and the network cards it finds anew at each start). The rest is the
# hardware and the system's state, which Wine rewrites itself.
files_of_prefix() {
  (cd "$drive" && find . -path ./windows/temp -prune -o -path './users/*/Temp' -prune -o -print |
    LC_ALL=C sort)
}
registry_of_prefix() {
  wineserver -w  # the registry is saved when the server ends
  for hive in system.reg user.reg; do
    awk -v hive="$hive" '
      /^\[/ { keep = $0 ~ /^\[Software\\\\/ && $0 !~ /NetworkCards/; sub(/\] [0-9]+$/, "]") }
      /^#time=/ { next }
      keep && $0 != "" { print hive ": " $0 }' "$WINEPREFIX/$hive"
  done
}
# reg_value KEY NAME: one value as `wine reg query` gives it ("" for the key's default value).
reg_value() {
  local out
  if [ -z "$2" ]; then out=$(wine reg query "$1" /ve 2>/dev/null); else out=$(wine reg query "$1" /v "$2" 2>/dev/null); fi
  echo "$out" | tr -d '\r' | sed -n 's/^    [^ ].*    REG_[A-Z_]*    \(.*\)$/\1/p' | head -n 1
}
expect_value() {  # KEY NAME EXPECTED
  local got
  got=$(reg_value "$1" "$2")
  [ "$got" = "$3" ] || fail "$1 [${2:-default}] is '$got', not '$3'"
}

start=$(date +%s%N)
wineboot -i >/dev/null 2>&1
wineserver -w
echo "a fresh prefix in $(seconds_since "$start") s"
files_of_prefix >"$work/files-before"
registry_of_prefix >"$work/registry-before"

echo "setup program: $(basename "$setup"), $(stat -c %s "$setup") bytes"
start=$(date +%s%N)
wine "$setup" /S
install_time=$(seconds_since "$start")
[ -f "$program_folder/uninstall.exe" ] || fail "the silent install made no program folder"
pass "the setup program installs silently ($install_time s)"

# The files of the list, as built, and no others.
expected_files=$( (cut -f 1 "$list"; echo uninstall.dat) | LC_ALL=C sort)
installed_files=$(cd "$program_folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$installed_files" = "$expected_files" ] ||
  fail "the program folder holds other files: $(diff <(echo "$expected_files") <(echo "$installed_files"))"
while IFS=$'\t' read -r name source shortcut; do
  cmp -s "$source" "$program_folder/$name" || fail "$name is not the built $source"
done <"$list"
expected_shortcuts=$(cut -f 3 "$list" | sed '/^$/d; s/$/.lnk/' | LC_ALL=C sort)
[ -n "$expected_shortcuts" ] || fail "the list names no Start menu shortcut"
[ "$(ls "$start_menu" | LC_ALL=C sort)" = "$expected_shortcuts" ] ||
  fail "the Start menu holds $(ls "$start_menu" | tr '\n' ' ')"
for name in vornalis.exe Vornalis.chm vornalis-cli.exe ext.dll uninstall.exe LICENSE.txt \
  THIRD-PARTY-NOTICES.txt; do
  cut -f 1 "$list" | grep -qx "$name" || fail "the setup's list has no $name"
done
pass "every listed file is in the program folder as built, with the uninstaller and the shortcuts"

# The file type and the uninstall entry.
class=$(reg_value 'HKCR\.pec' '')
[ -n "$class" ] || fail ".pec names no class"
expect_value "HKCR\\$class" '' 'Split piece files'
expect_value "HKCR\\$class\\DefaultIcon" '' "$win_folder\\vornalis-cli.exe,-2"
expect_value "HKCR\\$class\\shell" '' 'open'
expect_value "HKCR\\$class\\shell\\open\\command" '' "\"$win_folder\\vornalis.exe\" \"%1\""
expect_value "HKCR\\$class\\shell\\assemble" '' 'Assemble here'
expect_value "HKCR\\$class\\shell\\assemble\\command" '' \
  "\"$win_folder\\vornalis.exe\" \"%1\" /e \"%W\""
pass "the file type 'Split piece files' of .pec ($class): its icon, open and Assemble here"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vornalis'
expect_value "$uninstall_key" DisplayName Vornalis
expect_value "$uninstall_key" DisplayVersion "$version"
expect_value "$uninstall_key" InstallLocation "$win_folder"
expect_value "$uninstall_key" UninstallString "\"$win_folder\\uninstall.exe\""
expect_value "$uninstall_key" QuietUninstallString "\"$win_folder\\uninstall.exe\" /S"
pass "the list of installed programs has Vornalis $version and how to remove it silently"

# The installed tool at work: a set made, listed and rebuilt, and a self-assembling program made
# with the stub beside the tool. Paths given to it are relative, as Wine maps the current folder.
cli() { wine "$win_folder\\vornalis-cli.exe" "$@" | tr -d '\r'; }
mkdir -p "$work/sets/src/sub"
head -c 300000 /dev/urandom >"$work/sets/src/a.bin"
echo "a line" >"$work/sets/src/sub/b.txt"
(
  cd "$work/sets"
  cli create -q --size 100KB travel src >/dev/null
  cli list travel.pec | grep -q 'b\.txt' || fail "the installed tool does not list its set"
  cli extract -q travel.pec out >/dev/null
  diff -r src out/src >/dev/null || fail "the installed tool rebuilt other files"
  cli make-exe travel.pec >/dev/null
  wine ./travel.exe by-program >/dev/null
  diff -r src by-program/src >/dev/null || fail "the program made with the installed stub"
)
pass "the installed vornalis-cli.exe makes, lists and rebuilds a set, and its stub a program"

# The desktop program through the file type, on an X server of the test's own, which never resets
# when its last client leaves (-noreset), and only for this part: the Wine processes running
# so far have none, and end first.
trap '[ -n "$x_server_pid" ] && kill "$x_server_pid" 2>/dev/null; wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
source "$(dirname "$0")/../support/x_server.sh"
# wait_for_window TITLE: the id of the X window of that exact title, within 30 s.
wait_for_window() {
  local id
  for _ in $(seq 1 300); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1) && [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# close_program: the desktop program is asked to close (WM_CLOSE to its windows), as when the
# user closes its window; then every Wine process of the prefix is awaited.
close_program() {
  wine taskkill /im vornalis.exe >/dev/null 2>&1 || true
  for _ in $(seq 1 100); do
    xdotool search --name 'Dorvelin$' >/dev/null 2>&1 || break
    sleep 0.1
  done
  ! xdotool search --name 'Dorvelin$' >/dev/null 2>&1 || fail "the desktop program did not close"
}
wineserver -w
start_x || fail "no X server could be started"

# The setup's window by keys: its title, with no space at its end, on the welcome page and on
# the licence page (whose text is LICENSE's); Escape then asks whether to quit, and Enter does.
wine "$setup" &
setup_pid=$!
wait_for_window 'Vornalis Setup' >/dev/null || fail "the setup shows no window titled 'Vornalis Setup'"
xdotool key --delay 300 Return
sleep 1
wait_for_window 'Vornalis Setup' >/dev/null || fail "the licence page is not titled 'Vornalis Setup'"
xdotool key --delay 300 Escape Return
wait "$setup_pid" || true
! xdotool search --name 'Vornalis Setup' >/dev/null 2>&1 || fail "the setup did not quit"
pass "the setup's window is titled 'Vornalis Setup' on its pages"

start=$(date +%s%N)
(cd "$work/sets" && wine start /unix "$work/sets/travel.pec")
wait_for_window 'travel-Dorvelin' >/dev/null ||
  fail "no window 'travel-Dorvelin' after starting travel.pec: $(xdotool search --name . getwindowname %@ 2>/dev/null | sort -u | tr '\n' ' ')"
close_program
pass "a .pec started through the file type opens the desktop program on its set ($(seconds_since "$start") s)"

# "Assemble here" as the registry holds it, with the piece and its folder put in as the shell
# does, run by the command interpreter from a batch file: the set is rebuilt beside the piece.
mkdir "$work/verb"
cp "$work/sets"/travel*.pec "$work/verb/"  # the header and the numbered pieces
assemble=$(reg_value "HKCR\\$class\\shell\\assemble\\command" '')
piece=$(winepath -w "$work/verb/travel.pec" | tr -d '\r')
folder=$(winepath -w "$work/verb" | tr -d '\r')
assemble=${assemble//%1/$piece}
assemble=${assemble//%W/$folder}
printf '@%s\r\n' "$assemble" >"$work/assemble.bat"
start=$(date +%s%N)
wine cmd /c "$(winepath -w "$work/assemble.bat" | tr -d '\r')" >/dev/null 2>&1 &
verb_pid=$!
wait_for_window 'travel-Dorvelin' >/dev/null || fail "the Assemble here command shows no window"
for _ in $(seq 1 300); do
  cmp -s "$work/sets/src/a.bin" "$work/verb/src/a.bin" &&
    cmp -s "$work/sets/src/sub/b.txt" "$work/verb/src/sub/b.txt" && break
  sleep 0.1
done
close_program
wait "$verb_pid" || true
cmp "$work/sets/src/a.bin" "$work/verb/src/a.bin" && cmp "$work/sets/src/sub/b.txt" "$work/verb/src/sub/b.txt" ||
  fail "Assemble here did not rebuild the set beside its piece: $(cd "$work/verb" && find . | tr '\n' ' ')"
pass "'Assemble here', run as the registry holds it, rebuilds the set beside the piece ($(seconds_since "$start") s)"
wineserver -w
kill "$x_server_pid" && wait "$x_server_pid" 2>/dev/null || true
x_server_pid=
unset DISPLAY

registry_of_prefix >"$work/registry-installed"
echo "files the setup made:"
{ diff "$work/files-before" <(files_of_prefix) || true; } | sed -n 's/^> \.\//  /p'
echo "registry keys and values the setup made:"
{ diff "$work/registry-before" "$work/registry-installed" || true; } | sed -n 's/^> /  /p'

# Files the user put in the program folder, which the uninstaller must leave.
cp "$work/sets/travel.pec" "$program_folder/kept.pec"
echo "my notes" >"$program_folder/notes.txt"
uninstall() {  # [FOLDER]: the program folder, as this system names it; done once it returns
  local folder=${1:-$program_folder} status=0
  wine "$folder/uninstall.exe" /S || status=$?
  [ "$status" -eq 0 ] || fail "the silent uninstall ended with $status"
  [ ! -e "$folder/uninstall.exe" ] && [ ! -e "$folder/uninstall.dat" ] ||
    fail "the silent uninstall returned before it was done: $(ls "$folder")"
}
start=$(date +%s%N)
uninstall
uninstall_time=$(seconds_since "$start")
registry_of_prefix >"$work/registry-after"
files_of_prefix >"$work/files-after"
# Windows deletes uninstall.exe's temporary folder at its next start, as it was asked to.
grep -ao 'PendingFileRenameOperations.*' "$WINEPREFIX/system.reg" | sed 's/^/left for the next start: /' || true
user_files="./Program Files/Vornalis
./Program Files/Vornalis/kept.pec
./Program Files/Vornalis/notes.txt"
diff "$work/files-before" <(grep -vxF "$user_files" "$work/files-after") >"$work/files-left" ||
  fail "the uninstaller left or took files: $(cat "$work/files-left")"
cmp -s "$work/sets/travel.pec" "$program_folder/kept.pec" && [ -f "$program_folder/notes.txt" ] ||
  fail "the uninstaller took the user's files"
pass "the silent uninstall ($uninstall_time s) removes every file and shortcut, and keeps the user's"
diff "$work/registry-before" "$work/registry-after" >"$work/registry-left" ||
  fail "the registry differs from before the install: $(head -n 40 "$work/registry-left")"
for key in 'HKCR\.pec' "HKCR\\$class" "$uninstall_key"; do
  ! wine reg query "$key" >/dev/null 2>&1 || fail "$key is still there"
done
pass "the registry is as before the install: no file type, no uninstall entry"

# Installed into a folder of the user's choice where .pec already named another program's
# class, the setup takes the extension, and its uninstaller gives it back and leaves no folder.
wine reg add 'HKCR\.pec' /ve /d Other.Program.File /f >/dev/null
registry_of_prefix >"$work/registry-before"
wine "$setup" /S '/D=C:\Tools\Vornalis'
[ -f "$drive/Tools/Vornalis/vornalis-cli.exe" ] || fail "the setup did not install into the folder chosen"
expect_value "$uninstall_key" InstallLocation 'C:\Tools\Vornalis'
[ "$(reg_value 'HKCR\.pec' '')" = "$class" ] || fail "the setup left .pec to the other class"
uninstall "$drive/Tools/Vornalis"
[ ! -e "$drive/Tools/Vornalis" ] || fail "the uninstaller left the folder chosen: $(ls -R "$drive/Tools")"
registry_of_prefix >"$work/registry-after"
diff "$work/registry-before" "$work/registry-after" >"$work/registry-left" ||
  fail "the registry differs from before the second install: $(head -n 40 "$work/registry-left")"
pass "into a folder chosen, over another program's .pec: the uninstall gives the extension back"

echo "Setup program under Wine: $checks checks passed (install $install_time s, uninstall $uninstall_time s)"

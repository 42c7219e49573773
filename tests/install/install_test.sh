#!/usr/bin/env bash
# The program as a user installs it. cmake --install into a temporary root and the Debian
# package unpacked with dpkg -x must each lay out exactly the expected files, with the stubs
# byte for byte as built; from each root the CLI, run through its link in bin/, makes a set and
# a self-assembling program that rebuilds it (so the stub is found beside the real file); the
# file type names a header and a piece by name and by content; the desktop entry is valid; and
# the desktop program, started through its link with a piece as its argument, opens the set and
# finds its help (F1).
# Usage: install_test.sh BUILD_DIR MIME_TYPE_OF
set -euo pipefail
build=$1 mime_type_of=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The programs run with a home of the test's own.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data \
  XDG_CACHE_HOME=$work/home/cache XDG_RUNTIME_DIR=$work/home/runtime
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

expected_files="usr/bin/vornalis
usr/bin/vornalis-cli
usr/lib/vornalis/Vornalis.qch
usr/lib/vornalis/ext-native
usr/lib/vornalis/ext.dll
usr/lib/vornalis/vornalis
usr/lib/vornalis/vornalis-cli
usr/share/applications/vornalis.desktop
usr/share/bash-completion/completions/vornalis-cli
usr/share/doc/vornalis/THIRD-PARTY-NOTICES.txt
usr/share/doc/vornalis/changelog.gz
usr/share/doc/vornalis/copyright
usr/share/icons/hicolor/32x32/apps/vornalis.png
usr/share/icons/hicolor/64x64/apps/vornalis.png
usr/share/man/man1/vornalis-cli.1.gz
usr/share/man/man1/vornalis.1.gz
usr/share/mime/packages/vornalis.xml"

layout_is_complete() {  # ROOT: every expected file, and nothing else
  diff <(cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort) \
       <(echo "$expected_files" | LC_ALL=C sort)
}

stubs_are_as_built() {  # ROOT
  cmp "$build/bin/ext.dll" "$1/usr/lib/vornalis/ext.dll" &&
    cmp "$build/bin/ext-native" "$1/usr/lib/vornalis/ext-native" &&
    test -x "$1/usr/lib/vornalis/ext-native"
}

commands_are_links() {  # ROOT
  for program in vornalis vornalis-cli; do
    test "$(readlink "$1/usr/bin/$program")" = "../lib/vornalis/$program" || return 1
  done
}

cli_round_trip() {  # ROOT: a set made and rebuilt by the installed CLI and its stub
  local root=$1 dir
  dir=$(mktemp -d "$work/set.XXXXXX")
  mkdir -p "$dir/src/sub"
  head -c 5000 /dev/urandom >"$dir/src/a.bin"
  echo "a line" >"$dir/src/sub/b.txt"
  "$root/usr/bin/vornalis-cli" create -q --size 2000 "$dir/backup" "$dir/src"
  "$root/usr/bin/vornalis-cli" list "$dir/backup.pec" | grep -q b.txt
  "$root/usr/bin/vornalis-cli" make-exe "$dir/backup.pec"
  "$root/usr/bin/vornalis-cli" make-exe --native "$dir/backup.pec"
  test -s "$dir/backup.exe"
  "$dir/backup.run" "$dir/out" </dev/null
  diff -r "$dir/src" "$dir/out/src"
}

file_type_is_known() {  # ROOT: the header (of either form) and a piece, by name and by content
  local root=$1 dir
  dir=$(mktemp -d "$work/mime.XXXXXX")
  cp -r "$root/usr/share/mime" "$dir/mime"
  update-mime-database "$dir/mime"
  "$root/usr/bin/vornalis-cli" create -q --size 100 "$dir/set" "$build/bin/Vornalis.qch"
  cp "$dir/set.pec" "$dir/header-without-extension"
  cp "$dir/set1.pec" "$dir/piece-without-extension"
  { printf 'QBXL'; tail -c +5 "$dir/set.pec"; } >"$dir/large-header-without-extension"
  XDG_DATA_DIRS=$dir XDG_DATA_HOME=$dir/none "$mime_type_of" "$dir/set.pec" "$dir/set1.pec" \
    "$dir/header-without-extension" "$dir/piece-without-extension" \
    "$dir/large-header-without-extension" >"$dir/types"
  cat "$dir/types"
  # by name for the two .pec files, by content for all five
  test "$(grep -c $'\tapplication/x-vornalis-piece\tSplit piece files$' "$dir/types")" -eq 7
}

# ROOT: the copyright file gives the text of LICENSE, in its machine-readable form.
licence_is_stated() {
  awk 'BEGIN { RS = "" } /^License: BSL-1\.0\n/' "$1/usr/share/doc/vornalis/copyright" |
    tail -n +2 | sed 's/^ //; s/^\.$//' | diff - "$(dirname "$0")/../../LICENSE"
}

# ROOT: the completion lies where bash-completion looks for vornalis-cli's, and completes from
# there a command and an option.
completion_is_found() {
  local script=$1/usr/share/bash-completion/completions/vornalis-cli
  cmp "$script" "$(dirname "$0")/../../install/vornalis-cli.bash-completion"
  bash -c 'source "$1"; COMP_WORDS=(vornalis-cli make); COMP_CWORD=1; _vornalis_cli
    [ "${COMPREPLY[*]}" = make-exe ]
    COMP_WORDS=(vornalis-cli create --fo); COMP_CWORD=2; _vornalis_cli
    [ "${COMPREPLY[*]}" = --force ]' _ "$script"
}

desktop_entry_is_valid() {  # ROOT
  desktop-file-validate "$1/usr/share/applications/vornalis.desktop"
  grep -qx 'Exec=vornalis %f' "$1/usr/share/applications/vornalis.desktop"
  grep -qx 'MimeType=application/x-vornalis-piece;' "$1/usr/share/applications/vornalis.desktop"
}

program_opens_the_set() {  # ROOT: started through its link with a piece, then F1
  local root=$1 dir
  dir=$(mktemp -d "$work/gui.XXXXXX")
  "$root/usr/bin/vornalis-cli" create -q --size 1000 "$dir/travel" "$build/bin/Vornalis.qch"
  cat >"$dir/drive.sh" <<DRIVE
set -e
"$root/usr/bin/vornalis" "$dir/travel2.pec" &
program=\$!
trap 'kill \$program 2>/dev/null || true' EXIT
window=\$(timeout 30 xdotool search --sync --name '^travel-Dorvelin\$' | head -n 1)
xdotool windowfocus --sync "\$window"
xdotool key F1
timeout 30 xdotool search --sync --name '^Vornalis Help\$' >/dev/null
DRIVE
  # The program is to use the X server given, whatever platform the environment names.
  QT_QPA_PLATFORM=xcb xvfb-run -a bash "$dir/drive.sh"
}

# The install step.
DESTDIR="$work/installed" cmake --install "$build" --prefix /usr >/dev/null
# The package, made by the build's own CPack configuration, then unpacked.
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/vornalis_*.deb)
dpkg -x "$deb" "$work/unpacked"

package_declares_its_needs() {
  dpkg-deb -f "$deb" Depends | tee /dev/stderr | tr ',' '\n' | sed 's/^ *//; s/ .*//' | sort >"$work/deps"
  for needed in libqt6widgets6 libqt6gui6 libqt6core6 libqt6help6 qt6-qpa-plugins \
    libqt6sql6-sqlite; do
    grep -qx "$needed" "$work/deps" || { echo "missing $needed"; return 1; }
  done
  grep -q '^libicu' "$work/deps"
}

for root in installed unpacked; do
  check "$root: every file in its place and no other" layout_is_complete "$work/$root"
  check "$root: the stubs are the built bytes" stubs_are_as_built "$work/$root"
  check "$root: bin/ holds links into lib/vornalis/" commands_are_links "$work/$root"
  check "$root: the CLI through its link makes a set whose program rebuilds it" \
    cli_round_trip "$work/$root"
  check "$root: bash completes vornalis-cli's commands and options" completion_is_found "$work/$root"
  check "$root: the copyright file states the licence" licence_is_stated "$work/$root"
done
check "the package depends on Qt 6, its plugins and ICU" package_declares_its_needs
check "the file type names header and piece by name and content" \
  file_type_is_known "$work/installed"
check "the desktop entry is valid and passes the file" desktop_entry_is_valid "$work/installed"
check "the program through its link opens a piece's set and its help" \
  program_opens_the_set "$work/installed"

echo "$((checks - failures)) of $checks install checks passed"
[ "$failures" -eq 0 ]

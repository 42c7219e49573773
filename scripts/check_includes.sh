#!/usr/bin/env bash
# check_includes.sh [ROOT]
# The layers' rule, checked over the `#include "..."` lines of every source file (.h, .cpp, .c,
# .rc) below ROOT (the checkout by default): a folder includes its own files and those of the
# folders below it, never one above it or beside it. Prints each include that breaks the rule
# with its file and line, and exits with 1 when there is one. CONTRIBUTING.md draws the layers.
#
#   app      app_win32     the programs' main files
#   ui       ui_win32      the faces (Qt; Win32)
#   cli      desktop       the command-line tool; the desktop program's core
#   exe                    Make .EXE and the stubs
#   engine                 piece sets
#   recovery               PAR 2.0 recovery files, knowing nothing of sets
#   platform               files, paths, the console, the system
#
# install/ (the setup's own programs) includes none of ours; tests/ and bench/ may include any
# folder; fuzz/ the engine and what lies below it. Every folder may include the headers the
# build makes (vornalis/version.h) and files named without a folder (its own, or one the build
# makes beside it, such as a .moc). A new top folder with sources fails until it has its place
# here.
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"

declare -A below=(
  [platform]=""
  [recovery]="platform"
  [engine]="recovery platform"
  [exe]="engine recovery platform"
  [cli]="exe engine recovery platform"
  [desktop]="exe engine recovery platform"
  [ui]="desktop exe engine recovery platform"
  [ui_win32]="desktop exe engine recovery platform"
  [app]="ui desktop exe engine recovery platform"
  [app_win32]="ui_win32 desktop exe engine recovery platform"
  [fuzz]="engine recovery platform"
  [install]=""
)
free_folders=" tests bench "

# The source files: those git knows (tracked, or new and not ignored) when ROOT is a checkout,
# else all of them.
if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]; then
  list_sources() {
    git ls-files --cached --others --exclude-standard -- '*.h' '*.cpp' '*.c' '*.rc'
  }
else
  list_sources() {
    find . -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' -o -name '*.rc' \) |
      sed 's|^\./||'
  }
fi

include='^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)"'
violations=0
refuse() {  # FILE[:LINE] WHY
  echo "$1: $2"
  violations=$((violations + 1))
}
checked=()
while IFS= read -r file; do
  [ -f "$file" ] || continue  # deleted, not yet committed
  case $file in */*) folder=${file%%/*} ;; *) folder=. ;; esac
  case $free_folders in *" $folder "*) continue ;; esac
  if [ -z "${below[$folder]+set}" ]; then
    refuse "$file" "the folder $folder/ has no place in the layers (scripts/check_includes.sh)"
  else
    checked+=("$file")
  fi
done < <(list_sources | LC_ALL=C sort)

while IFS= read -r hit; do
  file=${hit%%:*} rest=${hit#*:}
  line=${rest%%:*} text=${rest#*:}
  [[ $text =~ $include ]] || continue
  included=${BASH_REMATCH[1]}
  [[ $included == */* ]] || continue
  folder=${file%%/*} top=${included%%/*}
  case "/$included/" in
    */../* | */./*) ;;  # a path that climbs is never allowed
    *) case " $folder ${below[$folder]} vornalis " in *" $top "*) continue ;; esac ;;
  esac
  refuse "$file:$line" "$folder/ may not include \"$included\" (it may include ${below[$folder]:-no other folder})"
done < <([ ${#checked[@]} -eq 0 ] || grep -HnE "$include" "${checked[@]}" || true)

if [ "$violations" -ne 0 ]; then
  echo "$violations include(s) break the layers"
  exit 1
fi
echo "includes: every folder keeps to its layer"

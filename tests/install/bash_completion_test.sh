#!/usr/bin/env bash
# bash_completion_test.sh VORNALIS_CLI COMPLETION
# The bash completion of vornalis-cli, sourced into a plain bash and asked as bash asks it
# (COMP_WORDS, COMP_CWORD, then the function), in a folder holding sets, a text file and a
# folder: it completes the commands and each command's options exactly as the tool's --help
# names them, a command and an option from their first letters, the piece sizes, and SET by the
# sets' .pec names; it takes every option the help gives a value as one that takes a value.
set -euo pipefail
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
cli=$(absolute "$1") completion=$(absolute "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir folder
touch backup.pec backup1.pec OLD.PEC notes.txt

failures=0 checks=0
# complete WORD...: what the completion offers for the last word, one line each, sorted.
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _vornalis_cli
    printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@" | sed '/^$/d' | LC_ALL=C sort
}
expect() {  # expect "EXPECTED LINES" WORD...: the completion offers exactly these
  local expected=$1 got
  shift
  checks=$((checks + 1))
  got=$(complete_words "$@")
  if [ "$got" != "$(echo "$expected" | sed '/^$/d' | LC_ALL=C sort)" ]; then
    echo "FAILED: '$*' completes to: $(echo $got) (expected: $(echo $expected))"
    failures=$((failures + 1))
  fi
}

# Commands and options, against the help.
commands=$("$cli" --help | sed -n '/^Subcommands:/,$p' | sed -n 's/^  \([a-z-]*\) .*/\1/p')
[ -n "$commands" ] || { echo "no commands in the help"; exit 1; }
expect "$commands" vornalis-cli ""
expect "make-exe" vornalis-cli ma
expect "--help
--version" vornalis-cli --
for command in $commands; do
  help=$("$cli" "$command" --help)
  expect "$(echo "$help" | grep -o -- '--[a-z][a-z-]*' | sort -u)" vornalis-cli "$command" --
  # An option the help shows with a type (--threads UINT) takes the next word as its value.
  for option in $(echo "$help" | sed -n 's/^ *\(-[a-z],\)\?\(--[a-z-]*\) [A-Z].*/\2/p'); do
    [ "$option" = --size ] && continue
    expect "" vornalis-cli "$command" "$option" ""
    expect "OLD.PEC
backup.pec
backup1.pec
folder" vornalis-cli "$command" "$option" 4 ""
  done
done
expect "--recovery-files
--redundancy" vornalis-cli protect --re
expect "--native" vornalis-cli make-exe --n

# The places: SET by its .pec name, TARGET a folder, PATH anything, nothing after a lone SET.
expect "OLD.PEC
backup.pec
backup1.pec
folder" vornalis-cli verify ""
expect "backup.pec
backup1.pec" vornalis-cli list b
expect "" vornalis-cli info backup.pec ""
expect "folder" vornalis-cli extract -q backup.pec ""
expect "1.44MB
200KB
720KB" vornalis-cli create --size ""
expect "OLD.PEC
backup.pec
backup1.pec
folder
notes.txt" vornalis-cli create --size 720KB new.pec notes.txt ""

echo "$((checks - failures)) of $checks completions as expected"
[ "$failures" -eq 0 ]

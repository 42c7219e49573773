#!/usr/bin/env bash
# recovery_rounds.sh CLI [ROUNDS]
#
# Weeks of a protected set as an unlucky user lives them: each round the same files are made into
# the set anew (create --force) after one of them was changed in place, same size, at a random
# spot (a ledger, a database); every other round the set is protected again; a copy of the
# recovery files of each protection is kept beside the set under another name, as a file manager
# names a copy; some rounds add a file (with or without --protect); then a piece or the header
# is lost or damaged at random, and verify and repair run.
#
# Whatever happens, nothing is ever put back to an older week's bytes: after the repair the set
# rebuilds the files as they are now (or a file added since), or the repair changed nothing and
# said why (exit 1). A set called Backup beside backup (names that differ only in case) is
# protected too, and its recovery files never touch backup. Prints the counts; exits 1 on the
# first fault, leaving its folder for a look.
set -euo pipefail
cli=$(readlink -f "$1")
rounds=${2:-20}
work=$(mktemp -d "${TMPDIR:-/tmp}/vornalis-rounds-XXXXXX")
cd "$work"
repaired=0 refused=0 added=0

fail() { echo "FAIL (round $round): $1 (in $work)" >&2; exit 1; }

mkdir -p src other
for i in 1 2 3 4 5; do head -c $((60000 + i * 1111)) /dev/urandom >"src/file$i.bin"; done
head -c 5000 /dev/urandom >other/o.bin
"$cli" create -q --size 20KB Backup other >/dev/null
"$cli" protect -q Backup.pec >/dev/null
case_sensitive=yes
[ -e backup.pec ] && case_sensitive=no

for ((round = 1; round <= rounds; round++)); do
  # The week's change: a few bytes somewhere in one file, its size the same.
  file=src/file$((RANDOM % 5 + 1)).bin
  size=$(stat -c %s "$file")
  printf '%08x' "$round" | dd of="$file" bs=1 seek=$((RANDOM * 7 % (size - 8))) conv=notrunc 2>/dev/null
  "$cli" create -q --force --size 20KB backup src >/dev/null 2>&1 || fail "create --force"
  if ((round % 2 == 1)); then
    "$cli" protect -q backup.pec >/dev/null || fail "protect"
    for f in backup.par2 backup.vol*.par2; do cp "$f" "backup (copy $round) ${f#backup}"; done
  fi
  rm -rf now && mkdir now && cp -r src now/
  mkdir -p "weeks/$round" && cp src/*.bin "weeks/$round/"
  if ((RANDOM % 3 == 0)); then
    head -c 30000 /dev/urandom >"now/src/added$round.bin"
    cp "now/src/added$round.bin" "src/added$round.bin"
    if ((RANDOM % 2)); then
      "$cli" add -q --protect backup.pec "src/added$round.bin" >/dev/null 2>&1 || fail "add --protect"
    else
      "$cli" add -q backup.pec "src/added$round.bin" >/dev/null 2>&1 || fail "add"
    fi
    rm "src/added$round.bin"
    added=$((added + 1))
  fi

  # A loss: a piece gone, a piece or the header damaged.
  pieces=(backup[0-9]*.pec)
  victim=${pieces[$((RANDOM % ${#pieces[@]}))]}
  case $((RANDOM % 3)) in
    0) rm "$victim" ;;
    1) printf '\xde\xad' | dd of="$victim" bs=1 seek=$((RANDOM % 1000 + 100)) conv=notrunc 2>/dev/null ;;
    2) printf '\xff' | dd of=backup.pec bs=1 seek=12 conv=notrunc 2>/dev/null ;;
  esac
  "$cli" verify backup.pec >/dev/null 2>&1 || true
  status=0
  "$cli" repair -q backup.pec >repair.log 2>&1 || status=$?
  rm -rf out && mkdir out
  "$cli" extract -q backup.pec out >/dev/null 2>&1 || true
  [ -d out/src ] || [ "$status" -ne 0 ] || fail "repair said the set is whole, and it does not rebuild"
  for f in out/src/*; do
    [ -e "$f" ] || continue
    name=$(basename "$f")
    cmp -s "$f" "now/src/$name" && continue
    # After a repair that said the set is whole, every file is this week's; after one that
    # changed nothing, a damaged file is damaged, but never an older week's.
    [ "$status" -ne 0 ] || fail "$name came back with other bytes after: $(cat repair.log)"
    for ((week = 1; week < round; week++)); do
      ! cmp -s "$f" "weeks/$week/$name" || fail "$name came back as it was in round $week"
    done
  done
  if [ "$status" -eq 0 ]; then repaired=$((repaired + 1)); else refused=$((refused + 1)); fi

  # Backup, spelt otherwise, is untouched by all of it.
  if [ "$case_sensitive" = yes ]; then
    "$cli" verify Backup.pec >/dev/null 2>&1 || fail "Backup.pec no longer verifies"
  fi
  # A set whose repair could not help is made again next round.
done
rm -rf "$work"
echo "Recovery rounds: $rounds rounds, $repaired repairs that made the set whole, $refused that" \
  "changed nothing and said why, $added adds; no file ever came back with older bytes"

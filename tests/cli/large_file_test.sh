#!/usr/bin/env bash
# large_file_test.sh CLI [WINE_CLI]
# A real file of 4.5 GiB through vornalis-cli, end to end: a sparse source with marks at its
# start, across the 4 GiB line and at its end is added to a set of small files, which becomes a
# set of the large form and says so once; list, list --json, info and verify show its size; it is
# rebuilt byte for byte (cmp), by the CLI and by the made .run. With WINE_CLI (vornalis-cli.exe),
# the Windows CLI and the made .exe under Wine rebuild the same set, and the Windows CLI makes a
# set of it that the Linux CLI rebuilds.
# The source takes no disk space; the pieces and each rebuilt copy take 4.5 GiB each.
set -euo pipefail
cli=$(realpath "$1")
wine_cli=${2:+$(realpath "$2")}
work=$(mktemp -d "${TMPDIR:-/tmp}/vornalis-large-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
export WINEDEBUG=-all

checks=0
pass() { checks=$((checks + 1)); echo "ok $checks - $1"; }
fail() { echo "FAILED: $1" >&2; exit 1; }
mark() { printf '%s' "$2" | dd of=src/big.img bs=1 seek="$1" conv=notrunc status=none; }

size=4831838208  # 4.5 GiB
mkdir src
truncate -s $size src/big.img
mark 0 start
mark 4294967290 four-gib-line
mark $((size - 4)) end!
echo small >src/small.txt

"$cli" create -q set --size 1000MB src/small.txt >create.log
[ "$(head -c 4 set.pec)" = QBXR ] || fail "a set of a small file is not of the standard form"
grep -q "large form" create.log && fail "a set of a small file said it became large"
"$cli" add -q set.pec src/big.img >add.log
grep -q "now holds a file of 4 GB or more, so it is written in the large form" add.log ||
  fail "the add that made the set large did not say so: $(cat add.log)"
[ "$(head -c 4 set.pec)" = QBXL ] || fail "the set is not of the large form"
echo later >src/later.txt
"$cli" add -q set.pec src/later.txt >again.log
grep -q "large form" again.log && fail "a second add said again that the set became large"
pass "adding a 4.5 GiB file makes the set large and says so once"

"$cli" list set.pec | grep -Eq "^big.img +$size " || fail "list does not show $size bytes"
"$cli" list --json set.pec | grep -q "\"name\":\"big.img\",\"folder\":\"\",\"size\":$size," ||
  fail "list --json does not show $size bytes"
"$cli" info set.pec | grep -Eq "^Form: +large" || fail "info does not say the form"
"$cli" verify set.pec >/dev/null || fail "verify found a problem"
pass "list, list --json, info and verify show the large file"

"$cli" extract -q set.pec out
cmp src/big.img out/big.img || fail "the rebuilt file differs"
cmp src/small.txt out/small.txt && cmp src/later.txt out/later.txt ||
  fail "the small files differ"
rm -rf out
pass "the 4.5 GiB file is rebuilt byte for byte"

"$cli" make-exe --native set.pec >/dev/null
./set.run by-run | tail -n 1 | grep -q "3 of 3 files rebuilt" || fail "set.run did not rebuild the set"
cmp src/big.img by-run/big.img || fail "set.run rebuilt another file"
rm -rf by-run
pass "the made .run rebuilds the 4.5 GiB file byte for byte"

if [ -n "$wine_cli" ]; then
  win() { wine "$wine_cli" "$@" | tr -d '\r'; }
  start=$(date +%s)
  [ "$(win list set.pec)" = "$("$cli" list set.pec)" ] || fail "the Windows CLI lists another set"
  win extract -q set.pec from-windows >/dev/null
  cmp src/big.img from-windows/big.img || fail "the Windows CLI rebuilt another file"
  rm -rf from-windows
  "$cli" make-exe set.pec >/dev/null
  wine ./set.exe by-exe | tr -d '\r' | tail -n 1 | grep -q "3 of 3 files rebuilt" ||
    fail "set.exe did not rebuild the set"
  cmp src/big.img by-exe/big.img || fail "set.exe rebuilt another file"
  rm -rf by-exe
  rm -f set*.pec
  win create -q windows --size 1000MB src/big.img >/dev/null
  [ "$(head -c 4 windows.pec)" = QBXL ] || fail "the Windows CLI did not make a set of the large form"
  "$cli" extract -q windows.pec from-windows
  cmp src/big.img from-windows/big.img || fail "a set the Windows CLI made rebuilds another file"
  pass "the Windows CLI and set.exe under Wine rebuild, and the CLI makes, sets of the large form ($(($(date +%s) - start)) s)"
fi
echo "A 4.5 GiB file end to end: $checks checks passed"

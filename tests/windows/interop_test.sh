#!/usr/bin/env bash
# interop_test.sh LINUX_BIN WINDOWS_BIN
# Sets cross between systems byte for byte: sets made by the Linux CLI are listed and rebuilt by
# the Windows CLI and by the Windows self-assembling program under Wine, and the other way
# round; each side adds to the other's set; a damaged piece is named on both. The tree holds a
# large file over several pieces, an empty file, deep folders with spaces, a file with Windows
# line ends, and names in code page 1252 and beyond it. Names Windows reserves come back on
# Windows under names it accepts, and a file of 4.5 GiB crosses in a set of the large form.
set -euo pipefail
linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
tests=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/vornalis-interop-XXXXXX)
source "$(dirname "$0")/wine_prefix.sh"
use_own_wine_prefix
trap 'end_wine_prefix; rm -rf "$work"' EXIT
cd "$work"

checks=0
pass() { checks=$((checks + 1)); echo "ok $checks - $1"; }
fail() { echo "FAILED: $1" >&2; exit 1; }
same_tree() { diff -r "$1" "$2" >/dev/null || fail "$3: $2 differs from $1"; }
lin() { "$linux/vornalis-cli" "$@"; }
# Windows programs print Windows line ends; paths given to them are relative, as Wine maps the
# current folder.
win() { wine "$windows/vornalis-cli.exe" "$@" | tr -d '\r'; }

mkdir -p "src/a b/c d/e f/g h" src/deep
head -c 2500000 /dev/urandom >src/big.bin
: >src/empty
printf 'line one\r\nline two\r\n' >src/crlf.txt
echo deep >"src/a b/c d/e f/g h/deep file.txt"
echo cafe >"src/deep/café.txt"
echo umlaut >src/Ä.txt
echo japanese >"src/日本語.txt"

# Linux makes, Windows reads.
lin create -q linux --size 720KB src >/dev/null
[ "$(win list linux.pec)" = "$(lin list linux.pec)" ] || fail "the Windows CLI lists another set"
win extract -q linux.pec from-linux >/dev/null
same_tree src from-linux/src "Windows extract of a Linux set"
pass "a set made on Linux lists and rebuilds on Windows"

lin make-exe linux.pec >/dev/null
head -c 2 linux.exe | grep -q MZ || fail "make-exe made no Windows program"
wine ./linux.exe by-program | tr -d '\r' | tail -n 1 | grep -q "7 of 7 files rebuilt" ||
  fail "the made program did not rebuild every file"
same_tree src by-program/src "the Linux-made .exe under Wine"
(mkdir -p here && cd here && wine ../linux.exe >/dev/null)
same_tree src here/src "the Linux-made .exe rebuilding into the current folder"
status=0; wine ./linux.exe --help >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "the made program took --help for a folder (status $status)"
pass "the .exe that the Linux make-exe makes rebuilds its set under Wine"

# Windows makes, Linux reads.
win create -q windows --size 720KB src >/dev/null
lin verify windows.pec >/dev/null || fail "Linux does not verify a Windows set"
lin extract -q windows.pec from-windows
same_tree src from-windows/src "Linux extract of a Windows set"
[ "$(lin add windows.pec src | tail -n 1)" != "" ] && [ "$(lin list windows.pec | tail -n 1)" = "Total 7 files, 2 MB" ] ||
  fail "files stored on Windows were stored again"
pass "a set made on Windows verifies and rebuilds on Linux, and nothing is stored twice"

# Both sides write names the same way.
for set in linux windows; do
  grep -qa "$(printf 'caf\xe9.txt')" $set.pec || fail "$set.pec does not hold café.txt in code page 1252"
  grep -qa "$(printf '\xc4.txt')" $set.pec || fail "$set.pec does not hold Ä.txt in code page 1252"
  grep -qa "日本語.txt" $set.pec || fail "$set.pec does not hold the Japanese name in UTF-8"
done
pass "both sides store café.txt and Ä.txt in code page 1252 and a Japanese name in UTF-8"

win make-exe windows.pec >/dev/null
wine ./windows.exe there >/dev/null
same_tree src there/src "the Windows-made .exe"
pass "the Windows make-exe makes a program that rebuilds its set"

# Each side adds to the other's set.
echo "from linux" >later-linux.txt
echo "from windows" >later-windows.txt
lin add -q windows.pec later-linux.txt >/dev/null
win add -q linux.pec later-windows.txt >/dev/null
win extract -q windows.pec added-on-linux >/dev/null
lin extract -q linux.pec added-on-windows
cmp -s later-linux.txt added-on-linux/later-linux.txt || fail "Windows lost Linux's addition"
cmp -s later-windows.txt added-on-windows/later-windows.txt || fail "Linux lost Windows' addition"
same_tree src added-on-windows/src "a Linux set after a Windows add"
pass "each side adds to the other's set"

# A damaged piece is named, and the exit status says so.
printf 'XXXX' | dd of=linux2.pec bs=1 conv=notrunc 2>/dev/null
status=0; out=$(win verify linux.pec 2>&1) || status=$?
[ "$status" -ne 0 ] && echo "$out" | grep -q "linux2.pec" || fail "Windows verify passed a damaged piece"
status=0; out=$(wine ./linux.exe damaged 2>&1 | tr -d '\r') || status=$?
echo "$out" | grep -q "linux2.pec is an invalid piece" || fail "the made program did not name the damaged piece"
pass "a damaged piece is named on Windows"

# Names Windows reserves, in a set made on Linux: rebuilt as they are on Linux; on Windows, by the
# CLI and by the made program, under names Windows accepts, each change said, exit status 1.
mkdir -p reserved/LPT1
for name in aux.c _aux.c CON nul.txt com1.log; do echo "$name" >"reserved/$name"; done
echo dot >"reserved/name."
echo space >"reserved/name "
echo inner >reserved/LPT1/inner.txt
lin create -q reserved --size 720KB reserved >/dev/null
lin extract -q reserved.pec on-linux
same_tree reserved on-linux/reserved "a Linux extract of reserved names"
accepted() {  # the names Windows shows in folder $1, sorted, and the contents of the renamed ones
  (cd "$1" && ls -A | LC_ALL=C sort | tr '\n' '|'
   cat __aux.c _aux.c _CON _nul.txt _com1.log _LPT1/inner.txt | tr '\n' '|'
   cat name_ _name_ | LC_ALL=C sort | tr '\n' '|')
}
expected="_CON|_LPT1|__aux.c|_aux.c|_com1.log|_name_|_nul.txt|name_|aux.c|_aux.c|CON|nul.txt|com1.log|inner|dot|space|"
status=0; out=$(win extract -q reserved.pec on-windows 2>&1) || status=$?
[ "$status" -eq 1 ] || fail "the Windows CLI rebuilt reserved names with status $status"
for said in "reserved\\aux.c was rebuilt as reserved\\__aux.c: Windows reserves that name" \
  "reserved\\CON was rebuilt as reserved\\_CON: Windows reserves that name" \
  "reserved\\LPT1\\inner.txt was rebuilt as reserved\\_LPT1\\inner.txt: Windows reserves that name" \
  "Windows does not keep a dot or a space at the end of a name"; do
  echo "$out" | grep -qF "$said" || fail "the Windows CLI did not say: $said"
done
[ "$(accepted on-windows/reserved)" = "$expected" ] ||
  fail "the Windows CLI rebuilt reserved names as $(accepted on-windows/reserved)"
[ "$(wine cmd /c type 'on-windows\reserved\_aux.c' | tr -d '\r')" = _aux.c ] ||
  fail "a Windows program cannot read a file rebuilt under an accepted name"
wine cmd /c del 'on-windows\reserved\_CON'
[ ! -e on-windows/reserved/_CON ] || fail "a Windows program cannot delete a renamed file"
lin make-exe reserved.pec >/dev/null
status=0; out=$(wine ./reserved.exe by-exe 2>&1 | tr -d '\r') || status=$?
[ "$status" -eq 1 ] && echo "$out" | grep -qF "8 of 8 files rebuilt in by-exe\\ (7 under another name), 0 errors" ||
  fail "the made program did not count the renamed files: $out"
[ "$(accepted by-exe/reserved)" = "$expected" ] ||
  fail "the made program rebuilt reserved names as $(accepted by-exe/reserved)"
pass "names Windows reserves are rebuilt as they are on Linux, and under accepted names on Windows"

# A reader during a commit: a Windows add while a Windows extract reads the set. Wine, like
# Windows before 10, cannot rename over a file that is held open, so the add either ends before
# or after the reader has the header, or fails and changes nothing; the reader's files are whole.
mkdir -p many
for i in $(seq 1 400); do head -c 250000 /dev/urandom >many/f$i; done
lin create -q busy --size 1.44MB many >/dev/null
(win extract -q busy.pec reading >reading.log 2>&1; echo "status $?" >>reading.log) &
sleep 0.3
status=0; out=$(win add -q busy.pec later-linux.txt 2>&1) || status=$?
wait
grep -q "status 0" reading.log || fail "the reader failed while a writer committed: $(cat reading.log)"
same_tree many reading/many "the reader during a commit"
[ "$status" -eq 0 ] || echo "$out" | grep -q "Nothing was stored; the set is as it was before" ||
  fail "the writer beside a reader failed without saying the set is as it was: $out"
lin verify busy.pec >/dev/null || fail "the set is damaged after a commit beside a reader"
[ "$status" -eq 0 ] && outcome="stored" || outcome="refused, set unchanged"
pass "a Windows add beside a Windows reader ($outcome); the reader's files are whole"

# A file of 4.5 GiB (a sparse source) in a set of the large form, made on Linux and rebuilt by the
# Windows CLI, and made by the Windows CLI and rebuilt on Linux.
"$tests/cli/large_file_test.sh" "$linux/vornalis-cli" "$windows/vornalis-cli.exe" |
  tail -n 2 | head -n 1 || fail "a file of 4.5 GiB did not cross between the systems"
pass "a file of 4.5 GiB crosses between the systems in a set of the large form"

echo "Sets crossing between Linux and Windows: $checks checks passed"

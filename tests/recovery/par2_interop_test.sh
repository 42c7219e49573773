#!/usr/bin/env bash
# par2_interop_test.sh CLI
# Recovery files cross to and from Debian's par2: par2 checks and repairs sets that vornalis-cli
# protected (a piece deleted, a piece with flipped bytes, the header damaged), and vornalis-cli
# checks and repairs from recovery files that par2 made. Also: more damage than the recovery
# data covers, an add after protect, another set's file under a piece's name, and Ctrl-C.
set -euo pipefail
cli=$(realpath "$1")
command -v par2 >/dev/null || { echo "par2 is not installed (scripts/install-deps.sh)"; exit 1; }
work=$(mktemp -d /tmp/vornalis-par2-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

checks=0
pass() { checks=$((checks + 1)); echo "ok $checks - $1"; }
fail() { echo "FAILED: $1" >&2; exit 1; }
flip() { printf '\xff\xee' | dd of="$1" bs=1 seek="$2" conv=notrunc 2>/dev/null; }
same_files() { diff -r src "$1/src" >/dev/null || fail "$2: the rebuilt files differ"; }
status_of() { local s=0; "$@" >out.log 2>&1 || s=$?; echo "$s"; }

mkdir -p src/deep
for i in 1 2 3 4 5; do head -c $((300000 + i * 7777)) /dev/urandom >"src/file$i.bin"; done
head -c 1000 /dev/urandom >src/deep/small
"$cli" create -q set --size 200KB src >/dev/null

# A lost piece is an eighth of this small set: 40 % covers two of them.
"$cli" protect -q --redundancy 40 set.pec >protect.log
grep -q "recovery blocks" protect.log || fail "protect did not say what it made: $(cat protect.log)"
[ -f set.par2 ] && ls set.vol*.par2 >/dev/null || fail "protect made no set.par2 and set.vol*.par2"
for f in set.par2 set.vol*.par2; do
  [ "$(stat -c %s "$f")" -le 204800 ] || fail "$f is larger than the piece size"
done
par2 verify -q set.par2 >/dev/null || fail "par2 does not accept a protected set"
pass "par2 accepts a set that vornalis-cli protected; every recovery file fits the piece size"

rm set3.pec
flip set5.pec 5000
[ "$(status_of "$cli" verify set.pec)" -eq 1 ] || fail "verify passed a set with a piece lost"
grep -q "set3.pec is missing" out.log && grep -q "set5.pec is damaged" out.log &&
  grep -q "affects: " out.log && grep -q "a repair is possible" out.log ||
  fail "verify did not name the lost pieces and what they hold: $(cat out.log)"
par2 repair -q set.par2 >/dev/null || fail "par2 could not repair the set"
rm -f set*.pec.1  # par2 keeps the damaged file aside
"$cli" verify set.pec >out.log 2>&1 || fail "the set par2 repaired does not verify: $(cat out.log)"
"$cli" extract -q set.pec out1
same_files out1 "after par2's repair"
pass "par2 repairs a lost and a damaged piece of a vornalis set; it rebuilds byte for byte"

flip set.pec 12  # its last-piece field: the header no longer reads as a set
[ "$(status_of "$cli" verify set.pec)" -eq 1 ] && grep -q "it is the header" out.log ||
  fail "verify did not find the damaged header: $(cat out.log)"
"$cli" repair -q set.pec >repair.log || fail "repair of the header failed: $(cat repair.log)"
grep -q "Repaired .*set.pec" repair.log || fail "repair did not say what it repaired"
par2 verify -q set.par2 >/dev/null || fail "par2 does not accept the header vornalis repaired"
pass "vornalis-cli repairs a damaged header, and par2 agrees"

flip set.pec 100  # stored bytes the header keeps: it still reads as a sound set
cp set.pec header-changed
[ "$(status_of "$cli" verify set.pec)" -eq 1 ] &&
  grep -q "is not the header its recovery files protect" out.log ||
  fail "verify did not say the header differs: $(cat out.log)"
[ "$(status_of "$cli" repair set.pec)" -eq 1 ] && grep -q "repair --header" out.log &&
  cmp -s set.pec header-changed || fail "repair replaced a header that reads as a set: $(cat out.log)"
"$cli" repair -q --header set.pec >repair.log || fail "repair --header failed: $(cat repair.log)"
par2 verify -q set.par2 >/dev/null || fail "par2 does not accept the header put back"
pass "a header that reads as a sound set is put back only when asked (repair --header); par2 agrees"

rm set*.par2
par2 create -q -q -r40 -n2 theirs.par2 set*.pec >/dev/null
rm set2.pec
flip set7.pec 12345
[ "$(status_of "$cli" verify set.pec)" -eq 1 ] && grep -q "set2.pec is missing" out.log ||
  fail "verify with par2's files did not find the lost piece: $(cat out.log)"
"$cli" repair -q set.pec >/dev/null || fail "repair from par2's recovery files failed"
par2 verify -q theirs.par2 >/dev/null || fail "par2 does not accept what vornalis repaired"
"$cli" extract -q set.pec out2
same_files out2 "after a repair from par2's files"
pass "vornalis-cli repairs from recovery files that par2 made, found by their content"

rm theirs*.par2
"$cli" protect -q --redundancy 5 set.pec >/dev/null
rm set1.pec set2.pec set3.pec set4.pec
before=$(ls | sort)
[ "$(status_of "$cli" repair set.pec)" -eq 1 ] && grep -q "Too much is lost to repair" out.log &&
  grep -q "Nothing was changed" out.log || fail "repair of too much loss: $(cat out.log)"
[ "$(ls | sort)" = "$before" ] || fail "a repair that could not be done changed the folder"
pass "more loss than the recovery data covers changes nothing, and says so"

rm -f set*.pec set*.par2
"$cli" create -q set --size 200KB src >/dev/null
"$cli" protect -q --redundancy 40 set.pec >/dev/null
head -c 5000 /dev/urandom >extra.bin
"$cli" add set.pec extra.bin >add.log 2>&1 || fail "add failed"
grep -q "older than the set" add.log || fail "add to a protected set did not say the recovery files are older"
cp set.pec header-after-add
[ "$(status_of "$cli" verify set.pec)" -eq 1 ] && grep -q "files were added to it since" out.log &&
  ! grep -q "is damaged" out.log || fail "verify took the header of an add for damage: $(cat out.log)"
[ "$(status_of "$cli" repair set.pec)" -eq 1 ] && cmp -s set.pec header-after-add ||
  fail "repair put the older header back over the one of the add: $(cat out.log)"
"$cli" list set.pec | grep -q extra.bin || fail "the file added is no longer in the set"
"$cli" add -q --protect set.pec src/deep >/dev/null 2>&1 || fail "add --protect failed"
"$cli" verify set.pec >out.log 2>&1 || fail "after add --protect the set does not verify: $(cat out.log)"
pass "recovery files older than an add are told from damage, never put the old header back; add --protect makes them new"

rm set2.pec
mkdir -p other && echo neighbour >other/n.txt
"$cli" create -q set2 other >/dev/null  # its header takes the name of piece 2
cp set2.pec neighbour-before
[ "$(status_of "$cli" repair set.pec)" -eq 1 ] && grep -q "set2.pec belongs to another set" out.log ||
  fail "repair overwrote or did not name another set's header: $(cat out.log)"
cmp -s set2.pec neighbour-before || fail "repair changed another set's header"
pass "repair never overwrites another set's header under a piece's name"

# Ctrl-C: no recovery file half-written, nothing half-repaired.
rm -rf set* other neighbour-before
mkdir big && for i in $(seq 1 40); do head -c 3000000 /dev/urandom >"big/f$i"; done
"$cli" create -q huge --size 1.44MB big >/dev/null
status=$(status_of timeout --preserve-status -s INT 0.5 "$cli" protect -q --redundancy 50 huge.pec)
[ "$status" -eq 130 ] || fail "protect was not interrupted (status $status): make the set larger"
[ -z "$(ls | grep par2)" ] || fail "an interrupted protect left files: $(ls | grep par2)"
"$cli" protect -q --redundancy 30 huge.pec >/dev/null
rm huge5.pec huge9.pec
status=$(status_of timeout --preserve-status -s INT 0.5 "$cli" repair -q huge.pec)
[ "$status" -eq 130 ] || [ "$status" -eq 0 ] || fail "repair interrupted gave status $status"
if [ "$status" -eq 130 ]; then
  [ ! -e huge5.pec ] && [ ! -e huge9.pec ] || fail "an interrupted repair put a piece in place"
  [ -z "$(ls | grep -E '^Qbtmhuge~[A-Za-z0-9]{6}$')" ] || fail "an interrupted repair left a file behind"
fi
"$cli" repair -q huge.pec >/dev/null || fail "repair after an interrupted one failed"
"$cli" verify huge.pec >/dev/null || fail "the set does not verify after its repair"
pass "Ctrl-C during protect leaves no recovery file, during repair no half-written piece (repair: status $status)"

# Ctrl-C that comes while the rebuilt pieces are being put in place: the repair is done by then,
# and saying "nothing was changed" would be false. (A leak check cannot run under strace.)
if command -v strace >/dev/null; then
  rm huge5.pec huge9.pec
  status=$(ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" status_of strace -f -qq \
    -o /dev/null -e trace=rename -e inject=rename:signal=INT:when=1 "$cli" repair -q huge.pec)
  [ "$status" -eq 0 ] && grep -q "whole again" out.log ||
    fail "a repair interrupted while placing its pieces said: $(cat out.log)"
  "$cli" verify huge.pec >/dev/null || fail "the set does not verify after that repair"
  pass "Ctrl-C while the repaired pieces are put in place: the repair finishes and says so"
fi

echo "Recovery files crossing to and from par2: $checks checks passed"

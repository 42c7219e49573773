#!/usr/bin/env bash
# kill_campaign.sh CLI [RANDOM_KILLS] [SYSCALL_KILLS]
#
# Kills `vornalis-cli add` and `create` with SIGKILL and checks after every kill that nothing
# stored by an earlier completed command was lost: the set opens, verifies, rebuilds every file
# it lists byte for byte, holds either the files it held before or all of them after, and the
# next add succeeds and leaves no temporary file, kept-aside piece or lock behind.
#
# Sets with no, one and several overflow pieces are attacked: RANDOM_KILLS kills at random
# moments for each (default 20), and, when strace is installed and SYSCALL_KILLS is "yes", one
# kill before each file-changing or flushing system call of one add (strace -e
# inject=...:signal=KILL). Then a whole-set extract on three threads is killed 2 x RANDOM_KILLS
# times: no file under a stored name is ever half made, and the next extract completes. Last,
# protect and repair are killed RANDOM_KILLS times each: a protect leaves the older recovery files
# or the new ones, whole; a repair leaves each piece as it was or whole; the next command on the
# set removes what the killed one left, and the set verifies.
# Prints the counts and exits 1 on the first broken set, leaving its folder for a look.
set -euo pipefail
cli=$(readlink -f "$1")
random_kills=${2:-20}
syscall_kills=${3:-no}
work=$(mktemp -d "${TMPDIR:-/tmp}/vornalis-kills-XXXXXX")
kills=0 completed=0 checked=0

# make_sources DIR COUNT SEED: COUNT small files of varied sizes below DIR.
make_sources() {
  mkdir -p "$1"
  for ((i = 0; i < $2; i++)); do
    head -c $(((i * 397 + $3 * 131) % 3000)) /dev/urandom > "$1/f$3-$i-with-a-longer-name.bin"
  done
}

# check DIR EXPECTED_BEFORE EXPECTED_AFTER: the set in DIR is sound and holds either count.
check() {
  local dir=$1 before=$2 after=$3 listed count out
  listed=$("$cli" list --json "$dir/set.pec") || { echo "FAIL: list after kill in $dir" >&2; exit 1; }
  count=$(grep -o '"total_files":[0-9]*' <<<"$listed" | cut -d: -f2)
  if [ "$count" != "$before" ] && [ "$count" != "$after" ]; then
    echo "FAIL: $count files in $dir, expected $before or $after" >&2; exit 1
  fi
  "$cli" verify "$dir/set.pec" >/dev/null || { echo "FAIL: verify in $dir" >&2; exit 1; }
  out=$dir/out-$RANDOM$RANDOM
  "$cli" extract -q "$dir/set.pec" "$out" || { echo "FAIL: extract in $dir" >&2; exit 1; }
  (cd "$out" && find . -type f) | while read -r f; do
    cmp -s "$out/$f" "$work/src/$f" || { echo "FAIL: $f differs in $dir" >&2; exit 1; }
  done
  echo late > "$dir/late.txt"
  "$cli" add -q "$dir/set.pec" "$dir/late.txt" >/dev/null 2>&1 ||
    { echo "FAIL: the next add in $dir" >&2; exit 1; }
  if ls -A "$dir" | grep -E 'Qbtm|\.aside|\.lock' >/dev/null; then
    echo "FAIL: leftovers in $dir: $(ls -A "$dir" | grep -E 'Qbtm|\.aside|\.lock' | tr '\n' ' ')" >&2
    exit 1
  fi
  checked=$((checked + 1))
}

make_sources "$work/src/new" 12 2
# Sets of 4,000-byte pieces: 6 files need no overflow piece, 60 one, 300 several.
for files in 6 60 300; do
  base=$work/base-$files
  make_sources "$work/src/old$files" "$files" 1
  mkdir -p "$base"
  "$cli" create -q --size 4000 "$base/set" "$work/src/old$files" >/dev/null
  overflow=$("$cli" info "$base/set.pec" | awk '/Overflow pieces/ {print $3}')
  after=$((files + 12))
  # How long one add takes here, so that kills fall anywhere inside it.
  cp -r "$base" "$work/timing-$files"
  start=$(date +%s%N)
  (cd "$work/src" && "$cli" add -q "$work/timing-$files/set.pec" new >/dev/null 2>&1)
  span=$((($(date +%s%N) - start) / 1000))  # microseconds

  for ((k = 0; k < random_kills; k++)); do
    dir=$work/run-$files-r$k
    cp -r "$base" "$dir"
    (cd "$work/src" && exec "$cli" add -q "$dir/set.pec" new >/dev/null 2>&1) &
    pid=$!
    sleep "$(printf '0.%06d' $(((RANDOM * 32768 + RANDOM) % (span + 1))))"
    if kill -KILL "$pid" 2>/dev/null; then kills=$((kills + 1)); else completed=$((completed + 1)); fi
    wait "$pid" 2>/dev/null || true
    check "$dir" "$files" "$after"
  done

  if [ "$syscall_kills" = yes ] && command -v strace >/dev/null; then
    for call in openat write pwrite64 copy_file_range ftruncate rename renameat renameat2 \
                unlink unlinkat linkat syncfs fsync fdatasync sync_file_range; do
      for ((n = 1; ; n++)); do
        dir=$work/run-$files-$call-$n
        cp -r "$base" "$dir"
        status=0
        { (cd "$work/src" && strace -f -qq -o /dev/null -e trace="$call" \
          -e inject="$call":signal=KILL:when="$n" "$cli" add -q "$dir/set.pec" new \
          >/dev/null 2>&1) || status=$?; } 2>/dev/null
        check "$dir" "$files" "$after"
        if [ "$status" -eq 137 ] || [ "$status" -eq 9 ]; then kills=$((kills + 1)); else
          completed=$((completed + 1)); break; fi
      done
    done
  fi
  echo "set of $files files ($overflow overflow pieces): checked so far $checked"
done
# A whole-set extract on several threads, killed at random moments: every file under a stored
# name is whole (the rest are temporary files), and the next extract into the same folder
# finishes and gives back every file.
extract_kills=0
source_set=$work/base-300/set.pec
start=$(date +%s%N)
"$cli" extract -q --threads 3 "$source_set" "$work/extract-timing" >/dev/null
span=$((($(date +%s%N) - start) / 1000))
for ((k = 0; k < random_kills * 2; k++)); do
  out=$work/extract-$k
  "$cli" extract -q --threads 3 "$source_set" "$out" >/dev/null 2>&1 &
  pid=$!
  sleep "$(printf '0.%06d' $(((RANDOM * 32768 + RANDOM) % (span + 1))))"
  if kill -KILL "$pid" 2>/dev/null; then extract_kills=$((extract_kills + 1)); fi
  wait "$pid" 2>/dev/null || true
  if [ -d "$out" ]; then
    (cd "$out" && find . -type f ! -name 'Qbtm*') | while read -r f; do
      cmp -s "$out/$f" "$work/src/$f" || { echo "FAIL: $f half made by a killed extract" >&2; exit 1; }
    done
  fi
  "$cli" extract -q --threads 3 "$source_set" "$out" ||
    { echo "FAIL: the extract after a killed one in $out" >&2; exit 1; }
  diff -r -q "$work/src/old300" "$out/old300" >/dev/null ||
    { echo "FAIL: the extract after a killed one left $out incomplete" >&2; exit 1; }
  checked=$((checked + 1))
done
kills=$((kills + extract_kills))
echo "threaded extract: $extract_kills kills"

# protect and repair, killed at random moments, on a set of 40 pieces.
recovery_kills=0
rset=$work/recovery
mkdir -p "$rset" "$work/src/big"
for ((i = 0; i < 40; i++)); do head -c 100000 /dev/urandom > "$work/src/big/b$i"; done
"$cli" create -q --size 100KB "$rset/set" "$work/src/big" >/dev/null
"$cli" protect -q --redundancy 20 "$rset/set.pec" >/dev/null
mkdir -p "$work/pristine" && cp "$rset"/set*.pec "$work/pristine/"
timed() { local start; start=$(date +%s%N); "$@" >/dev/null 2>&1 || true; echo $((($(date +%s%N) - start) / 1000)); }
no_leftovers() {
  if ls -A "$rset" | grep -E 'Qbtm|\.lock' >/dev/null; then
    echo "FAIL: $1 left $(ls -A "$rset" | grep -E 'Qbtm|\.lock' | tr '\n' ' ')" >&2; exit 1
  fi
}
span=$(timed "$cli" protect -q --redundancy 30 "$rset/set.pec")
for ((k = 0; k < random_kills; k++)); do
  "$cli" protect -q --redundancy $((20 + k % 2 * 10)) "$rset/set.pec" >/dev/null 2>&1 &
  pid=$!
  sleep "$(printf '0.%06d' $(((RANDOM * 32768 + RANDOM) % (span + 1))))"
  if kill -KILL "$pid" 2>/dev/null; then recovery_kills=$((recovery_kills + 1)); fi
  wait "$pid" 2>/dev/null || true
  # The recovery files there are whole (older or new), and verify removes what the killed
  # protect left.
  "$cli" verify -q "$rset/set.pec" >"$work/verify.log" 2>&1 ||
    { echo "FAIL: verify after a killed protect: $(cat "$work/verify.log")" >&2; exit 1; }
  no_leftovers "a killed protect"
  checked=$((checked + 1))
done
damage() {
  rm -f "$rset/set7.pec"
  printf '\xff\xee' | dd of="$rset/set12.pec" bs=1 seek=5000 conv=notrunc 2>/dev/null
  cp "$rset/set12.pec" "$work/damaged12"
}
damage
span=$(timed "$cli" repair -q "$rset/set.pec")
for ((k = 0; k < random_kills; k++)); do
  damage
  "$cli" repair -q "$rset/set.pec" >/dev/null 2>&1 &
  pid=$!
  sleep "$(printf '0.%06d' $(((RANDOM * 32768 + RANDOM) % (span + 1))))"
  if kill -KILL "$pid" 2>/dev/null; then recovery_kills=$((recovery_kills + 1)); fi
  wait "$pid" 2>/dev/null || true
  # Each piece is as it was or whole: never half written.
  if [ -e "$rset/set7.pec" ] && ! cmp -s "$rset/set7.pec" "$work/pristine/set7.pec"; then
    echo "FAIL: a killed repair left set7.pec half made" >&2; exit 1
  fi
  cmp -s "$rset/set12.pec" "$work/pristine/set12.pec" || cmp -s "$rset/set12.pec" "$work/damaged12" ||
    { echo "FAIL: a killed repair left set12.pec half made" >&2; exit 1; }
  "$cli" repair -q "$rset/set.pec" >"$work/repair.log" 2>&1 ||
    { echo "FAIL: the repair after a killed one: $(cat "$work/repair.log")" >&2; exit 1; }
  no_leftovers "a killed repair"
  for f in "$work"/pristine/set*.pec; do
    cmp -s "$f" "$rset/$(basename "$f")" || { echo "FAIL: $(basename "$f") not repaired" >&2; exit 1; }
  done
  checked=$((checked + 1))
done
kills=$((kills + recovery_kills))
echo "protect and repair: $recovery_kills kills"
echo "kill campaign: $kills kills, $completed runs that finished, $checked sets checked, 0 broken"
rm -rf "$work"

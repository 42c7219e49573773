#!/usr/bin/env bash
# One file of 8 GiB packed into 1.44 MB pieces and rebuilt by vornalis-cli, against the floor the
# disk sets: `cat > one file; sync` for packing (the same bytes written once and flushed) and
# `split; sync` (the same pieces, flushed); `cat` of split's pieces into one file for rebuilding.
# The same for the file's first GiB in the same runs, so the two sizes meet the same disk.
# Prints the medians, the ratio ours/theirs with its range over the paired runs, and our peak
# memory for the 8 GiB file and for its first GiB. Then, once: recovery files for a set holding a
# 6 GiB file (protect at 10 %), verify, a piece deleted, verify and repair, each timed.
#
#   bench/large_file.sh [RUNS]       (default 3; needs bc and GNU time, and about 40 GB free)
#
# The data (random bytes) is made once and kept; every run works in a fresh folder and removes
# what it wrote once its pair is timed, so the disk holds at most the data and two copies of it.
# Set BENCH_DIR to choose where the data goes.
set -euo pipefail
runs=${1:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${VORNALIS_CLI:-$root/build/bin/vornalis-cli}
work=${BENCH_DIR:-$root/build/bench}/large
piece=1474560
payload=$((piece - 8))
mkdir -p "$work/runs"
cd "$work"

if [ ! -f big.bin ]; then
  echo "making 8 GiB of test data..." >&2
  head -c 8589934592 /dev/urandom >big.bin
fi
[ -f one.bin ] || head -c 1073741824 big.bin >one.bin

source "$root/bench/timing.sh"

# The writers take turns at going first, as whichever follows another's flush meets the disk in
# another state.
pack_pair() {  # the packing commands of one run, in the order given
  for step in "$@"; do
    case $step in
      pack) record pack "$(flushed "$cli" create -q "$d/ours" --size $piece big.bin)" ;;
      split) mkdir "$d/split"
        record split "$(flushed sh -c "split -b $payload big.bin $d/split/part.; sync")" ;;
      floor) record floor "$(flushed sh -c "cat big.bin > $d/floor; sync")" ;;
    esac
  done
}

for i in $(seq 1 "$runs"); do
  d=$(mktemp -d -p runs)
  cat big.bin >/dev/null
  if [ $((i % 2)) -eq 1 ]; then pack_pair pack split floor; else pack_pair floor split pack; fi
  rm -f "$d/floor"
  sync
  record rebuild "$(seconds "$cli" extract -q "$d/ours.pec" "$d/ours-out")"
  cmp -s big.bin "$d/ours-out/big.bin" || { echo "the rebuilt 8 GiB file differs" >&2; exit 1; }
  rm -rf "$d/ours-out"
  sync
  record cat "$(seconds sh -c "cat $d/split/part.* > $d/cat.out")"
  rm -rf "$d"

  d=$(mktemp -d -p runs)
  cat one.bin >/dev/null
  record pack_one "$(flushed "$cli" create -q "$d/ours" --size $piece one.bin)"
  mkdir "$d/split"
  record split_one "$(flushed sh -c "split -b $payload one.bin $d/split/part.; sync")"
  record floor_one "$(flushed sh -c "cat one.bin > $d/floor; sync")"
  sync
  record rebuild_one "$(seconds "$cli" extract -q "$d/ours.pec" "$d/ours-out")"
  record cat_one "$(seconds sh -c "cat $d/split/part.* > $d/cat.out")"
  rm -rf "$d"
done

echo "medians of $runs runs"
report "8 GiB pack vs cat > one file; sync (floor)" pack floor
report "8 GiB pack vs split; sync" pack split
report "split; sync vs cat > one file; sync (floor)" split floor
report "8 GiB rebuild vs cat of split's pieces" rebuild cat
report "1 GiB pack vs cat > one file; sync (floor)" pack_one floor_one
report "1 GiB pack vs split; sync" pack_one split_one
report "1 GiB rebuild vs cat of split's pieces" rebuild_one cat_one

d=$(mktemp -d -p runs)
echo "peak memory: pack 8 GiB $(peak_kb "$cli" create -q "$d/m-big" --size $piece big.bin) KiB," \
  "rebuild $(peak_kb "$cli" extract -q "$d/m-big.pec" "$d/m-big-out") KiB;" \
  "pack 1 GiB $(peak_kb "$cli" create -q "$d/m-one" --size $piece one.bin) KiB," \
  "rebuild $(peak_kb "$cli" extract -q "$d/m-one.pec" "$d/m-one-out") KiB"
rm -rf "$d"

# Recovery files for a set that holds one 6 GiB file: made, checked, a lost piece repaired.
d=$(mktemp -d -p runs)
head -c 6442450944 big.bin >"$d/six.bin"
"$cli" create -q "$d/six" --size $piece "$d/six.bin" >/dev/null
[ "$(head -c 4 "$d/six.pec")" = QBXL ] || { echo "the 6 GiB set is not of the large form" >&2; exit 1; }
echo "6 GiB set, recovery files at 10 %: protect $(seconds "$cli" protect -q "$d/six.pec") s," \
  "verify $(seconds "$cli" verify -q "$d/six.pec") s"
rm "$d/six1000.pec"
status=0; "$cli" verify -q "$d/six.pec" >"$d/verify.log" 2>&1 || status=$?
grep -q "six1000.pec" "$d/verify.log" && [ "$status" -ne 0 ] ||
  { echo "verify did not name the lost piece" >&2; cat "$d/verify.log" >&2; exit 1; }
echo "a lost piece: repair $(seconds "$cli" repair -q "$d/six.pec") s," \
  "verify $(seconds "$cli" verify -q "$d/six.pec") s"
"$cli" extract -q "$d/six.pec" "$d/out"
cmp -s "$d/six.bin" "$d/out/six.bin" || { echo "the repaired set rebuilds another file" >&2; exit 1; }
echo "the repaired set rebuilds the 6 GiB file byte for byte"
rm -rf "$d"

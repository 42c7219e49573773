#!/usr/bin/env bash
# Packs and rebuilds with vornalis-cli and with split / cat / cp / tar / 7z on the same data, side
# by side, and prints the median times, the ratio ours/theirs (with its range over the runs) and
# our peak memory.
#
#   bench/compare.sh [RUNS]          (default 5; needs about 17 GB free per run)
#
# Data: one 1 GiB file cut into 1,474,560-byte and 204,800-byte pieces; 200 files of 1 to 20 MiB
# (2 GiB); and 20,000 files of 1 to 8 KiB in 100 folders. Packing flushes the set to the medium
# before it says it is done, so the peers that pack get a `sync`; packing is also timed without
# any flush (under eatmydata, when installed) to show what the flush costs, and the same bytes are
# written once more as one file with `cat` and a `sync`: the floor that the disk sets for any
# packer that flushes, against which both we and the peers are shown. Every run writes into
# a fresh folder and nothing is deleted between timed runs, since deleting many files slows down
# creating files nearby. Inputs are read right before the timing, so the page cache is warm. Set
# BENCH_DIR to choose where the data goes.
set -euo pipefail
runs=${1:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${VORNALIS_CLI:-$root/build/bin/vornalis-cli}
work=${BENCH_DIR:-$root/build/bench}
piece=1474560
payload=$((piece - 8))
mkdir -p "$work/runs"
cd "$work"

if [ ! -f big.bin ]; then
  echo "making 1 GiB of test data..." >&2
  head -c 1073741824 /dev/urandom > big.bin
fi
if [ ! -d tree ]; then
  echo "making 200 files of 1 to 20 MiB..." >&2
  mkdir -p tree
  for f in $(seq -w 0 199); do
    head -c $(((1 + RANDOM % 20) * 1048576)) /dev/urandom > "tree/f$f.bin"
  done
fi
if [ ! -d small ]; then
  echo "making 20,000 small files..." >&2
  for d in $(seq -w 0 99); do
    mkdir -p "small/d$d"
    for f in $(seq -w 0 199); do
      head -c $((1024 + (RANDOM * 7168 / 32768))) /dev/urandom > "small/d$d/f$f.dat"
    done
  done
fi

source "$root/bench/timing.sh"

small_piece=204800
for i in $(seq 1 "$runs"); do
  d=$(mktemp -d -p runs)
  cat big.bin >/dev/null
  record pack_big   "$(flushed "$cli" create -q "$d/ours-big" --size $piece big.bin)"
  mkdir "$d/split-big" "$d/split-small-pieces"
  record split_big  "$(flushed sh -c "split -b $payload big.bin $d/split-big/part.; sync")"
  record pack_big_small_pieces "$(flushed "$cli" create -q "$d/ours-200k" --size $small_piece big.bin)"
  record split_big_small_pieces "$(flushed sh -c "split -b $((small_piece - 8)) big.bin $d/split-small-pieces/part.; sync")"
  record floor_big  "$(flushed sh -c "cat big.bin > $d/floor-big; sync")"
  if command -v eatmydata >/dev/null; then
    record pack_big_unflushed "$(flushed eatmydata "$cli" create -q "$d/unflushed-big" --size $piece big.bin)"
    record pack_big_small_pieces_unflushed "$(flushed eatmydata "$cli" create -q "$d/unflushed-200k" --size $small_piece big.bin)"
  fi
  sync
  record rebuild_big "$(seconds "$cli" extract -q "$d/ours-big.pec" "$d/ours-big-out")"
  record cat_big    "$(seconds sh -c "cat $d/split-big/part.* > $d/cat-big.out")"
  record cp_big     "$(seconds cp big.bin "$d/cp-big.out")"

  cat tree/* >/dev/null
  record pack_tree  "$(flushed "$cli" create -q "$d/ours-tree" --size $piece tree)"
  mkdir "$d/tar-tree"
  record tar_tree   "$(flushed sh -c "tar -cf - tree | split -b $payload - $d/tar-tree/part.; sync")"
  record floor_tree "$(flushed sh -c "cat tree/* > $d/floor-tree; sync")"

  tar -cf - small >/dev/null
  record pack_small "$(flushed "$cli" create -q "$d/ours-small" --size $piece small)"
  mkdir "$d/tar-small" "$d/tar-small-out"
  record tar_small  "$(flushed sh -c "tar -cf - small | split -b $payload - $d/tar-small/part.; sync")"
  sync
  record rebuild_small "$(seconds "$cli" extract -q "$d/ours-small.pec" "$d/ours-small-out")"
  record untar_small "$(seconds sh -c "cat $d/tar-small/part.* | tar -xf - -C $d/tar-small-out")"
  if command -v 7z >/dev/null; then
    [ -f small.7z ] || 7z a -mx0 small.7z small >/dev/null
    record un7z_small "$(seconds 7z x -o"$d/7z-small-out" small.7z)"
  fi
  cmp -s big.bin "$d/ours-big-out/big.bin" || { echo "rebuilt 1 GiB file differs" >&2; exit 1; }
  diff -r -q small "$d/ours-small-out/small" >/dev/null || { echo "rebuilt tree differs" >&2; exit 1; }
done

echo "medians of $runs runs"
report "1 GiB pack vs split; sync" pack_big split_big
report "1 GiB into 200 KB pieces vs split; sync" pack_big_small_pieces split_big_small_pieces
report "1 GiB pack vs cat > one file; sync (floor)" pack_big floor_big
report "split; sync vs cat > one file; sync (floor)" split_big floor_big
if [ -n "${times[pack_big_unflushed]:-}" ]; then
  report "1 GiB pack vs the same unflushed" pack_big pack_big_unflushed
  report "1 GiB into 200 KB vs the same unflushed" pack_big_small_pieces pack_big_small_pieces_unflushed
fi
report "1 GiB rebuild vs cat" rebuild_big cat_big
report "1 GiB rebuild vs cp" rebuild_big cp_big
report "2 GiB in 200 files pack vs tar|split; sync" pack_tree tar_tree
report "2 GiB pack vs cat > one file; sync (floor)" pack_tree floor_tree
report "tar|split; sync vs cat > one file; sync (floor)" tar_tree floor_tree
report "20,000 files pack vs tar|split; sync" pack_small tar_small
report "20,000 files rebuild vs cat|tar" rebuild_small untar_small
[ -n "${times[un7z_small]:-}" ] && report "20,000 files rebuild vs 7z x" rebuild_small un7z_small

d=$(mktemp -d -p runs)
echo "peak memory: pack 1 GiB $(peak_kb "$cli" create -q "$d/m-big" --size $piece big.bin) KiB," \
  "rebuild $(peak_kb "$cli" extract -q "$d/m-big.pec" "$d/m-big-out") KiB," \
  "pack 20,000 files $(peak_kb "$cli" create -q "$d/m-small" --size $piece small) KiB," \
  "rebuild $(peak_kb "$cli" extract -q "$d/m-small.pec" "$d/m-small-out") KiB"
"$root/build/bin/catalogue_open_bench" "$d"

#!/usr/bin/env bash
# Packs and rebuilds with vornalis-cli and with split / cat / tar on the same data, side by side,
# and prints the median times, the ratio ours/theirs and our peak memory.
#
#   bench/compare.sh [RUNS]          (default 5; needs about 12 GB free per run pair)
#
# Data: one 1 GiB file cut into 1,474,560-byte pieces, and 20,000 files of 1 to 8 KiB in 100
# folders (also rebuilt against `7z x` of an uncompressed archive when 7z is installed). Every run writes into a fresh folder and nothing is deleted between timed runs, since
# deleting many files slows down creating files nearby. Inputs are read once right before the
# timing, so the page cache is warm. Set BENCH_DIR to choose where the data goes.
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
if [ ! -d small ]; then
  echo "making 20,000 small files..." >&2
  for d in $(seq -w 0 99); do
    mkdir -p "small/d$d"
    for f in $(seq -w 0 199); do
      head -c $((1024 + (RANDOM * 7168 / 32768))) /dev/urandom > "small/d$d/f$f.dat"
    done
  done
fi

# seconds COMMAND...: runs it and prints the wall time in seconds.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo "scale=3; ($end - $start) / 1000000000" | bc
}
# peak_kb COMMAND...: runs it and prints its peak resident memory in KiB.
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

declare -A times
record() { times[$1]+="$2 "; }

for i in $(seq 1 "$runs"); do
  cat big.bin >/dev/null; tar -cf - small >/dev/null   # warm the page cache
  d=$(mktemp -d -p runs)
  record pack_big   "$(seconds "$cli" create -q "$d/ours-big" --size $piece big.bin)"
  mkdir "$d/split-big"
  # Packing flushes the set to the medium before it says it is done; the peers get a sync.
  record split_big  "$(seconds sh -c "split -b $payload big.bin $d/split-big/part.; sync")"
  record rebuild_big "$(seconds "$cli" extract -q "$d/ours-big.pec" "$d/ours-big-out")"
  record cat_big    "$(seconds sh -c "cat $d/split-big/part.* > $d/cat-big.out")"

  record pack_small "$(seconds "$cli" create -q "$d/ours-small" --size $piece small)"
  mkdir "$d/tar-small" "$d/tar-small-out"
  record tar_small  "$(seconds sh -c "tar -cf - small | split -b $payload - $d/tar-small/part.; sync")"
  record rebuild_small "$(seconds "$cli" extract -q "$d/ours-small.pec" "$d/ours-small-out")"
  record untar_small "$(seconds sh -c "cat $d/tar-small/part.* | tar -xf - -C $d/tar-small-out")"
  if command -v 7z >/dev/null; then
    [ -f small.7z ] || 7z a -mx0 small.7z small >/dev/null
    record un7z_small "$(seconds 7z x -o"$d/7z-small-out" small.7z)"
  fi
  cmp -s big.bin "$d/ours-big-out/big.bin" || { echo "rebuilt 1 GiB file differs" >&2; exit 1; }
  diff -r -q small "$d/ours-small-out/small" >/dev/null || { echo "rebuilt tree differs" >&2; exit 1; }
done

report() {  # report LABEL OURS THEIRS
  local ours theirs
  ours=$(echo "${times[$2]}" | tr ' ' '\n' | grep . | median)
  theirs=$(echo "${times[$3]}" | tr ' ' '\n' | grep . | median)
  printf '%-34s ours %6.3f s   theirs %6.3f s   ratio %.2f\n' "$1" "$ours" "$theirs" \
    "$(echo "scale=4; $ours / $theirs" | bc)"
}
echo "medians of $runs runs"
report "1 GiB pack vs split; sync" pack_big split_big
report "1 GiB rebuild vs cat" rebuild_big cat_big
report "20,000 files pack vs tar|split; sync" pack_small tar_small
report "20,000 files rebuild vs cat|tar" rebuild_small untar_small
[ -n "${times[un7z_small]:-}" ] && report "20,000 files rebuild vs 7z x" rebuild_small un7z_small

d=$(mktemp -d -p runs)
echo "peak memory: pack 1 GiB $(peak_kb "$cli" create -q "$d/m-big" --size $piece big.bin) KiB," \
  "rebuild $(peak_kb "$cli" extract -q "$d/m-big.pec" "$d/m-big-out") KiB," \
  "pack 20,000 files $(peak_kb "$cli" create -q "$d/m-small" --size $piece small) KiB," \
  "rebuild $(peak_kb "$cli" extract -q "$d/m-small.pec" "$d/m-small-out") KiB"
"$root/build/bin/catalogue_open_bench" "$d"

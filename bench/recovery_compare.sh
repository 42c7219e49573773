#!/usr/bin/env bash
# Recovery files made and used by vornalis-cli and by par2 on the same set, side by side: the
# median times, the ratio ours/par2 and both peak memories.
#
#   bench/recovery_compare.sh [RUNS]     (default 3; needs par2, bc and GNU time)
#
# Data: 1 GiB in 64 files packed into 1.44 MB pieces. Protect at 10 % (par2 create is given the
# block size and the recovery block count vornalis-cli chose), and repair of one missing piece.
# Each run works in a fresh folder of hard links to the set, so nothing is copied or deleted
# between timed runs; the set is read right before the timing, so the page cache is warm.
# The CLI uses every core, as par2 does; protect_1 is the same on one thread, as the desktop
# program works.
set -euo pipefail
runs=${1:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${VORNALIS_CLI:-$root/build/bin/vornalis-cli}
work=${BENCH_DIR:-$root/build/bench}/recovery
mkdir -p "$work/runs"
cd "$work"

if [ ! -f set/set.pec ]; then
  echo "making a set of 1 GiB..." >&2
  mkdir -p src set
  for i in $(seq -w 1 64); do head -c 16777216 /dev/urandom >"src/f$i.bin"; done
  "$cli" create -q set/set --size 1.44MB src >/dev/null
fi

# timed COMMAND...: runs it with its output in last.out, prints "seconds peak_kib".
timed() {
  /usr/bin/time -f "%e %M" -o "$work/last.time" "$@" >"$work/last.out" 2>&1
  tail -n 1 "$work/last.time"
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
declare -A times memory
record() {
  times[$1]+="${2% *} "
  memory[$1]+="${2#* } "
}

for i in $(seq 1 "$runs"); do
  d=$(mktemp -d -p runs)
  mkdir "$d/ours" "$d/peer"
  cp -al set/. "$d/ours/"
  cp -al set/. "$d/peer/"
  cat set/*.pec >/dev/null
  record protect "$(timed "$cli" protect -q "$d/ours/set.pec")"
  line=$(head -n 1 last.out)
  # The desktop program works on one thread.
  cat set/*.pec >/dev/null
  record protect_1 "$(timed "$cli" protect -q --threads 1 "$d/ours/set.pec")"
  block=$(echo "$line" | sed -n 's/^Blocks of \([0-9]*\) bytes.*/\1/p')
  count=$(echo "$line" | sed -n 's/.* \([0-9]*\) recovery blocks.*/\1/p')
  cat set/*.pec >/dev/null
  record par2_create "$(cd "$d/peer" && timed par2 create -q -q -s"$block" -c"$count" peer.par2 set*.pec)"

  # Repair of one lost piece, each from its own recovery files.
  rm "$d/ours/set300.pec" "$d/peer/set300.pec"
  cat set/*.pec >/dev/null
  record repair "$(timed "$cli" repair -q "$d/ours/set.pec")"
  record par2_repair "$(cd "$d/peer" && timed par2 repair -q -q peer.par2)"
  cmp -s set/set300.pec "$d/ours/set300.pec" || { echo "our repair differs" >&2; exit 1; }
done

printf "%-10s %10s %10s %8s %14s %14s\n" work ours par2 ratio "ours peak MiB" "par2 peak MiB"
for pair in protect:par2_create protect_1:par2_create repair:par2_repair; do
  ours=${pair%%:*} theirs=${pair#*:}
  a=$(echo "${times[$ours]}" | tr ' ' '\n' | grep . | median)
  b=$(echo "${times[$theirs]}" | tr ' ' '\n' | grep . | median)
  ma=$(echo "${memory[$ours]}" | tr ' ' '\n' | grep . | median)
  mb=$(echo "${memory[$theirs]}" | tr ' ' '\n' | grep . | median)
  printf "%-10s %9.2fs %9.2fs %8.3f %14d %14d\n" "$ours" "$a" "$b" "$(echo "scale=3; $a / $b" | bc)" \
    $((ma / 1024)) $((mb / 1024))
done
echo "(block size $block bytes, $count recovery blocks)"

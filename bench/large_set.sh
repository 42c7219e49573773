#!/usr/bin/env bash
# A set of half a million stored files (many catalogue blocks, the catalogue over several
# overflow pieces): how long opening it takes in the engine, how long `list` takes and how much
# memory it needs, how long adding one file takes, and how long the desktop program takes from
# Open to a painted list.
#
#   bench/large_set.sh [ENTRIES] [RUNS]     (default 500000 and 3; after a build)
#
# The set is written in a fresh folder under build/bench (BENCH_DIR to choose); its entries are
# empty files, so it needs little disk.
set -euo pipefail
entries=${1:-500000}
runs=${2:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/bin
work=${BENCH_DIR:-$root/build/bench}
mkdir -p "$work/runs"
d=$(mktemp -d -p "$work/runs")

# Writes sorted.pec (and reversed.pec) with the entries and times opening them in the engine.
"$bin/catalogue_open_bench" "$d" "$entries" "$runs"
"$bin/vornalis-cli" info "$d/sorted.pec"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# wall_and_peak COMMAND...: "seconds KiB" of one run.
wall_and_peak() { /usr/bin/time -f '%e %M' "$@" 2>&1 >/dev/null | tail -n 1; }

list_times=() list_peaks=()
for _ in $(seq 1 "$runs"); do
  read -r t m < <(wall_and_peak "$bin/vornalis-cli" list "$d/sorted.pec")
  list_times+=("$t") list_peaks+=("$m")
done
echo "list: $(printf '%s\n' "${list_times[@]}" | median) s median of $runs," \
  "peak $(printf '%s\n' "${list_peaks[@]}" | sort -n | tail -n 1) KiB"

add_times=()
for i in $(seq 1 "$runs"); do
  echo "one more file $i" > "$d/added-$i.txt"
  read -r t m < <(wall_and_peak "$bin/vornalis-cli" add -q "$d/sorted.pec" "$d/added-$i.txt")
  add_times+=("$t")
done
echo "add one file: $(printf '%s\n' "${add_times[@]}" | median) s median of $runs, peak $m KiB"

if [ -x "$bin/gui_open_bench" ]; then
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$bin/gui_open_bench" "$d/sorted.pec" "$runs"
fi

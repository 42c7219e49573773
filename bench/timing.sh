# Timing helpers for the benchmark scripts, sourced by them: wall times, flushes, peak memory,
# medians, and the report of a pair of timed commands over paired runs.

# seconds COMMAND...: runs it and prints the wall time in seconds.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo "scale=3; ($end - $start) / 1000000000" | bc
}
# flushed COMMAND...: seconds for a command that writes, after flushing what earlier commands left
# unwritten, so that no command waits for another's data.
flushed() { sync; seconds "$@"; }
# peak_kb COMMAND...: runs it and prints its peak resident memory in KiB.
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# record NAME SECONDS: one more time of NAME.
declare -A times
record() { times[$1]+="$2 "; }

# report LABEL OURS THEIRS: the medians and their ratio, with the range of the run-by-run ratios.
report() {
  local ours theirs ratios
  ours=$(echo "${times[$2]}" | tr ' ' '\n' | grep . | median)
  theirs=$(echo "${times[$3]}" | tr ' ' '\n' | grep . | median)
  ratios=$(paste <(echo "${times[$2]}" | tr ' ' '\n' | grep .) \
    <(echo "${times[$3]}" | tr ' ' '\n' | grep .) | awk '{print $1 / $2}' | sort -n)
  printf '%-44s ours %7.3f s   theirs %7.3f s   ratio %.2f (%.2f-%.2f)\n' "$1" "$ours" "$theirs" \
    "$(echo "scale=4; $ours / $theirs" | bc)" "$(head -n 1 <<<"$ratios")" "$(tail -n 1 <<<"$ratios")"
}

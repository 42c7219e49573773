#!/usr/bin/env bash
# face_compare.sh [RUNS] [BUILD] [BUILD_WIN32]
#
# Times the desktop program's long commands against the command line doing the same work on the
# same system, in pairs (one, then the other, each in a fresh folder), and prints each side's
# median and range and the median of the pairs' ratios:
#   20,000 files of 1 to 8 KB, and one file of 1 GiB, each added to a set (Add Folder against
#   `vornalis-cli add`) and assembled (Assemble against `vornalis-cli extract`);
#   the Qt program under Xvfb (build/bin/gui_command_bench) against build/bin/vornalis-cli, and,
#   when BUILD_WIN32 is given and Wine is there, vornalis.exe (win32_command_bench.exe) against
#   vornalis-cli.exe under Wine.
# The files live below BENCH_DIR (default: /dev/shm when it has room, so that the disk hides
# nothing; else build/bench), about 1.2 GB.
set -euo pipefail
runs=${1:-5}
build=$(readlink -f "${2:-build}")
build_win32=${3:-}
here=$(pwd)
default_dir=build/bench
[ "$(df --output=avail -B1G /dev/shm 2>/dev/null | tail -n 1)" -gt 4 ] 2>/dev/null &&
  default_dir=/dev/shm
root=$(mktemp -d "${BENCH_DIR:-$default_dir}/vornalis-faces-XXXXXX")
trap 'rm -rf "$root"' EXIT
cd "$root"

echo "making the sources in $root"
python3 - <<'EOF'
import os, random
random.seed(37)
os.makedirs("small", exist_ok=True)
for i in range(20000):
    with open("small/file%05d.bin" % i, "wb") as f:
        f.write(os.urandom(random.randint(1024, 8192)))
os.makedirs("large", exist_ok=True)
with open("large/one.bin", "wb") as f:
    chunk = os.urandom(1 << 20)
    for _ in range(1024):
        f.write(chunk)
EOF
mkdir seed && echo seed >seed/seed.txt

seconds() {  # the wall time of a command, in seconds
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo "scale=3; ($end - $start) / 1000000000" | bc
}
stats() {  # median, min and max of numbers
  sort -g | awk '{v[NR] = $1} END {printf "%.3f (%.3f-%.3f)", v[int((NR + 1) / 2)], v[1], v[NR]}'
}

# compare NAME KIND SOURCE CLI FACE: the CLI's and the face's commands (KIND add or assemble, of
# SOURCE), run in turns, each in a fresh folder with a fresh set.
compare() {
  local name=$1 kind=$2 source=$3 cli_cmd=$4 face_cmd=$5 cli_times="" face_times="" ratios=""
  for ((run = 0; run < runs; run++)); do
    for side in cli face; do
      local dir="$root/run-$side"
      rm -rf "$dir" && mkdir "$dir"
      "${cli[@]}" create -q --size 1.44MB "$dir/set" seed >/dev/null
      if [ "$kind" = assemble ]; then "${cli[@]}" add -q "$dir/set.pec" "$source" >/dev/null; fi
      local target=$source
      [ "$kind" = assemble ] && target=$dir/out
      local cmd=${cli_cmd}
      [ "$side" = face ] && cmd=${face_cmd}
      # The CLI's whole run; the face's command from its start to its end, as the bench program
      # measures it in its window (its start and the opening of the set are the user's wait
      # before the command, not the command's).
      local t
      # shellcheck disable=SC2086
      if [ "$side" = cli ]; then
        t=$(seconds $cmd "$dir/set.pec" "$target")
      else
        t=$($cmd "$dir/set.pec" "$target" 2>/dev/null | tr -d '\r' | tail -n 1)
      fi
      if [ "$side" = cli ]; then cli_times+="$t"$'\n'; c=$t; else face_times+="$t"$'\n'; ratios+="$(echo "scale=3; $t / $c" | bc)"$'\n'; fi
    done
  done
  printf '%-34s CLI %s s   face %s s   face/CLI %s\n' "$name" \
    "$(printf '%s' "$cli_times" | stats)" "$(printf '%s' "$face_times" | stats)" \
    "$(printf '%s' "$ratios" | stats)"
}

cli=("$build/bin/vornalis-cli")
qt="xvfb-run -a $build/bin/gui_command_bench"
command -v xvfb-run >/dev/null || qt="env QT_QPA_PLATFORM=offscreen $build/bin/gui_command_bench"
echo "Qt program against the CLI, $runs pairs each (seconds: median (range))"
compare "20,000 small files, Add" add "$root/small" "${cli[0]} add -q" "$qt add"
compare "20,000 small files, Assemble" assemble "$root/small" "${cli[0]} extract -q" "$qt assemble"
compare "1 GiB file, Add" add "$root/large" "${cli[0]} add -q" "$qt add"
compare "1 GiB file, Assemble" assemble "$root/large" "${cli[0]} extract -q" "$qt assemble"

if [ -n "$build_win32" ] && command -v wine >/dev/null; then
  win32=$(readlink -f "$build_win32")
  export WINEPREFIX="$root/wine-prefix"
  export WINEDEBUG=-all
  wine "$win32/bin/vornalis-cli.exe" --version >/dev/null 2>&1 || true
  cli=(wine "$win32/bin/vornalis-cli.exe")
  echo "vornalis.exe against vornalis-cli.exe under Wine, $runs pairs each"
  compare "20,000 small files, Add" add "$root/small" "wine $win32/bin/vornalis-cli.exe add -q" \
    "wine $win32/bin/win32_command_bench.exe add"
  compare "20,000 small files, Assemble" assemble "$root/small" \
    "wine $win32/bin/vornalis-cli.exe extract -q" "wine $win32/bin/win32_command_bench.exe assemble"
  compare "1 GiB file, Add" add "$root/large" "wine $win32/bin/vornalis-cli.exe add -q" \
    "wine $win32/bin/win32_command_bench.exe add"
  compare "1 GiB file, Assemble" assemble "$root/large" \
    "wine $win32/bin/vornalis-cli.exe extract -q" "wine $win32/bin/win32_command_bench.exe assemble"
  wineserver -k 2>/dev/null || true
fi
cd "$here"

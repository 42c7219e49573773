#!/usr/bin/env bash
# shared_folder_attack.sh CLI [ROUNDS]
#
# Attacks a set as unlucky and hostile users of one folder would, and counts what survives:
#   A  SIGKILL at random moments during `create --force` over an existing set: the old set or
#      the new one opens and rebuilds whole every time;
#   B  SIGKILL during `add` to a set whose next piece name is another set's header: the
#      neighbour is never touched;
#   C  `extract` while another program adds to or replaces the set: every file rebuilt holds
#      its bytes, the others are refused by name;
#   D  links, FIFOs, hard links, folders and strangers' files planted at the next piece's name,
#      at the names pieces are kept aside under, and at a new set's header name: nothing outside
#      is written, nothing planted is removed, and the set stays sound;
#   E  control characters in stored names never reach a terminal, from the CLI or a made program.
# Exits 1 when anything was lost.
set -uo pipefail
cli=$(readlink -f "$1")
rounds=${2:-40}
work=$(mktemp -d "${TMPDIR:-/tmp}/vornalis-attack-XXXXXX")
cd "$work"
lost=0

make_sources() {
  mkdir -p "$1"
  for ((i = 1; i <= $2; i++)); do head -c $((RANDOM % 3000 + 1)) /dev/urandom > "$1/f$i"; done
}
same() { diff -r "$1" "$2" > /dev/null 2>&1; }
fresh_set() { rm -rf s*.pec s.pec.* chk; "$cli" create s --size 2000 old -q > /dev/null; }
make_sources old 300
make_sources new 300

whole=0
for ((i = 0; i < rounds; i++)); do
  fresh_set
  timeout -s KILL "0.$((RANDOM % 300))" "$cli" create --force s --size 2000 new -q > /dev/null 2>&1
  mkdir chk
  if "$cli" extract s.pec chk -q > /dev/null 2>&1 && { same chk/old old || same chk/new new; }; then
    whole=$((whole + 1))
  else
    lost=$((lost + 1))
  fi
done
echo "A: $whole of $rounds sets whole after a kill during create --force"

echo one > one
echo two > two
rm -rf b*.pec
"$cli" create b --size 1000 one -q > /dev/null
"$cli" create b2 --size 1000 two -q > /dev/null
neighbour=$(md5sum < b2.pec)
kept=0
for ((i = 0; i < rounds; i++)); do
  timeout -s KILL "0.0$((RANDOM % 100))" "$cli" add b.pec new -q > /dev/null 2>&1
  if [ "$(md5sum < b2.pec)" = "$neighbour" ] && "$cli" verify b.pec > /dev/null 2>&1; then
    kept=$((kept + 1))
  else
    lost=$((lost + 1))
  fi
done
echo "B: $kept of $rounds kills left the neighbouring set untouched"

good=0 refused=0 wrong=0
for ((i = 0; i < rounds; i++)); do
  fresh_set
  if ((i % 2)); then
    "$cli" create --force s --size 2000 new -q > /dev/null 2>&1 &
  else
    "$cli" add s.pec new -q > /dev/null 2>&1 &
  fi
  sleep "0.0$((RANDOM % 5))"
  mkdir chk
  if "$cli" extract s.pec chk -q > /dev/null 2>&1; then
    if same chk/old old || same chk/new new; then good=$((good + 1)); else wrong=$((wrong + 1)); fi
  else
    bad=0
    for f in chk/old/* chk/new/*; do
      [ -e "$f" ] || continue
      cmp -s "$f" "$(basename "$(dirname "$f")")/$(basename "$f")" || bad=1
    done
    if ((bad)); then wrong=$((wrong + 1)); else refused=$((refused + 1)); fi
  fi
  wait
done
lost=$((lost + wrong))
echo "C: $good rebuilt whole, $refused refused by name, $wrong with wrong bytes"

plant() {
  rm -rf "$2"
  case $1 in
    link) ln -s "$work/victim" "$2" ;;
    fifo) mkfifo "$2" ;;
    hardlink) ln "$work/victim" "$2" ;;
    folder) mkdir "$2" ;;
    file) echo stranger > "$2" ;;
  esac
}
safe=0 cases=0
for kind in link fifo hardlink folder file; do
  for where in next aside record lock header; do
    cases=$((cases + 1))
    fresh_set
    rm -rf n.pec
    echo precious > victim
    last=$("$cli" info s.pec | awk '/Data pieces/ { print $3 }')
    overflow=$("$cli" info s.pec | awk '/Overflow pieces/ { print $3 }')
    case $where in
      next) path=s$((last + overflow + 3)).pec ;;
      aside) path=s.pec.aside$((last + 1)) ;;
      record) path=s.pec.aside ;;
      lock) path=s.pec.lock ;;
      header) path=n.pec ;;
    esac
    plant $kind "$path"
    if [ $where = header ]; then
      "$cli" create n old/f1 -q > /dev/null 2>&1
    else
      timeout 20 "$cli" add s.pec new -q > /dev/null 2>&1
    fi
    if [ "$(cat victim)" = precious ] && "$cli" verify s.pec > /dev/null 2>&1 &&
      { [ $kind != file ] || [ "$(cat "$path")" = stranger ]; }; then
      safe=$((safe + 1))
    else
      lost=$((lost + 1))
      echo "  lost: $kind at the $where name"
    fi
  done
done
echo "D: $safe of $cases planted files kept, with nothing written through them"

mkdir -p names
printf x > "names/$(printf 'esc\033]0;owned\007')"
printf y > "names/$(printf 'new\nline')"
rm -rf c.pec c.exe out
"$cli" create c names -q > /dev/null
"$cli" make-exe c.pec > /dev/null
shown=$(script -qec "$cli list c.pec; ./c.exe out" /dev/null)
if [[ $shown == *$'\033'* ]]; then
  lost=$((lost + 1))
  echo "E: an escape sequence reached the terminal"
else
  echo "E: names shown escaped on a terminal by the CLI and the made program"
fi

echo "$lost losses; the sets are in $work"
[ $lost -eq 0 ]

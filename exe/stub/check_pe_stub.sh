#!/bin/sh
# check_pe_stub.sh PROGRAM OUTPUT PATCH_START PATCH_END
# Checks that the patch area of the Windows stub (file offsets PATCH_START to PATCH_END - 1)
# lies inside its .patch section and holds only zero bytes, so that the count and the set's
# name that Make .EXE writes there change nothing the program uses; then writes the program
# out as OUTPUT and says how large it is.
set -eu
objdump=i686-w64-mingw32-objdump
row=$($objdump -h "$1" | awk '$2 == ".patch" { print $3 " " $6 }')
[ -n "$row" ] || { echo "no .patch section in $1" >&2; exit 1; }
set -- "$@" $row
size=$((0x$5)); start=$((0x$6)); end=$((start + size))
if [ "$start" -gt "$3" ] || [ "$end" -lt "$4" ]; then
  echo "the stub's .patch section lies at $start to $end: it must cover $3 to $4" >&2
  exit 1
fi
if [ "$(dd if="$1" bs=1 skip="$3" count=$(($4 - $3)) 2>/dev/null | tr -d '\000' | wc -c)" -ne 0 ]; then
  echo "the stub holds other bytes than zeros in its patch area" >&2
  exit 1
fi
cp "$1" "$2.tmp"
mv "$2.tmp" "$2"
total=$(wc -c < "$2")
echo "ext.dll: $total bytes, $((total - size)) of them code and data; the patch area ($3 to $4)" \
  "lies in the .patch section at $start to $end"

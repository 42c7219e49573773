#!/bin/sh
# pad_stub.sh PROGRAM OUTPUT PATCH_START PATCH_END
# Writes the stub program out without what the loader never reads, and checks that the patch
# area (file offsets PATCH_START to PATCH_END - 1) lies inside the block of zero bytes that
# patch_area.ld reserves, so that the count and the set's name that Make .EXE writes there
# change nothing the program uses.
#
# Everything the loader needs lies in the program's loadable segments; the section headers and
# the sections outside those segments (names, comments) are for tools such as debuggers only, so
# the file is cut where the last loadable segment ends and the ELF header stops pointing at
# section headers.
set -eu
area=$(readelf -SW "$1" | awk '$2 == ".patch_area" { print $5 " " $6 }')
[ -n "$area" ] || { echo "no .patch_area section in $1" >&2; exit 1; }
set -- "$@" $area
start=$((0x$5)); end=$((0x$5 + 0x$6))
if [ "$start" -gt "$3" ] || [ "$end" -lt "$4" ]; then
  echo "the stub's reserved block lies at $start to $end: it must cover $3 to $4" >&2
  exit 1
fi
last=0
for load in $(readelf -lW "$1" | awk '$1 == "LOAD" { print $2 "+" $5 }'); do
  e=$(($load))
  [ "$e" -gt "$last" ] && last=$e
done
[ "$last" -gt 0 ] || { echo "no loadable segment in $1" >&2; exit 1; }
cp "$1" "$2.tmp"
truncate -s "$last" "$2.tmp"
# e_shoff (8 bytes at 40), e_shnum and e_shstrndx (2 bytes each at 60 and 62) of a 64-bit ELF.
printf '\000\000\000\000\000\000\000\000' | dd of="$2.tmp" bs=1 seek=40 conv=notrunc 2>/dev/null
printf '\000\000\000\000' | dd of="$2.tmp" bs=1 seek=60 conv=notrunc 2>/dev/null
chmod 755 "$2.tmp"
mv "$2.tmp" "$2"
code=$((last - (end - start)))
echo "$(basename "$2"): $last bytes, $code of them code and data; the patch area ($3 to $4) lies in the" \
  "reserved block at $start to $end, $(($3 - start)) bytes in and $((end - $4)) bytes before its end"

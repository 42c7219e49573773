#!/bin/sh
# pad_stub.sh PROGRAM OUTPUT CODE_LIMIT PADDED_SIZE
# Writes the stub program out without what the loader never reads, checks that it ends before
# the patch area, and pads it with zero bytes, so that the count and the set's name are written
# into padding the loader ignores.
#
# Everything the loader needs lies in the program's loadable segments; the section headers and
# the sections outside those segments (names, comments) are for tools such as debuggers only, so
# the file is cut where the last loadable segment ends and the ELF header stops pointing at
# section headers.
set -eu
end=0
for load in $(readelf -lW "$1" | awk '$1 == "LOAD" { print $2 "+" $5 }'); do
  e=$(($load))
  [ "$e" -gt "$end" ] && end=$e
done
[ "$end" -gt 0 ] || { echo "no loadable segment in $1" >&2; exit 1; }
cp "$1" "$2.tmp"
truncate -s "$end" "$2.tmp"
# e_shoff (8 bytes at 40), e_shnum and e_shstrndx (2 bytes each at 60 and 62) of a 64-bit ELF.
printf '\000\000\000\000\000\000\000\000' | dd of="$2.tmp" bs=1 seek=40 conv=notrunc 2>/dev/null
printf '\000\000\000\000' | dd of="$2.tmp" bs=1 seek=60 conv=notrunc 2>/dev/null
size=$(wc -c < "$2.tmp")
if [ "$size" -ge "$3" ]; then
  rm -f "$2.tmp"
  echo "the stub is $size bytes: it must stay below $3 so that the patch area is free" >&2
  exit 1
fi
truncate -s "$4" "$2.tmp"
chmod 755 "$2.tmp"
mv "$2.tmp" "$2"

#!/bin/sh
# pad_stub.sh PROGRAM OUTPUT CODE_LIMIT PADDED_SIZE
# Checks that the stub program ends before the patch area and writes it out padded with zero
# bytes, so that the count and the set's name are written into padding the loader ignores.
set -eu
size=$(wc -c < "$1")
if [ "$size" -ge "$3" ]; then
  echo "the stub is $size bytes: it must stay below $3 so that the patch area is free" >&2
  exit 1
fi
cp "$1" "$2.tmp"
truncate -s "$4" "$2.tmp"
chmod 755 "$2.tmp"
mv "$2.tmp" "$2"

#!/bin/sh
# Packs one component file into the launcher's payload stream: the legacy
# .lzma layout (13-byte header: properties, dictionary size, uncompressed
# size; then the LZMA data), made by the host's xz.
#
#   tools/pack-payload.sh [--unknown-size] [--lzma1=OPTIONS] INPUT OUTPUT
#
# By default the stream uses lc=3, lp=0, pb=2 (properties 0x5D) and a 16 MiB
# dictionary, and declares the exact size of INPUT. xz itself writes "size
# unknown" and ends the data with an end marker; the size field (offset 5,
# 8 bytes little-endian) is then set to the real size. The decoder stops at
# that size, so the end marker behind it is never needed.
#   --unknown-size    keep xz's "size unknown" header (the end marker decides)
#   --lzma1=OPTIONS   other LZMA1 options (for test streams only)
# The xz program can be named with the XZ environment variable.
set -eu

lzma1="dict=16MiB,lc=3,lp=0,pb=2"
keep_unknown=0
while [ $# -gt 2 ]; do
  case "$1" in
    --unknown-size) keep_unknown=1 ;;
    --lzma1=*) lzma1="${1#--lzma1=}" ;;
    *) echo "pack-payload: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
if [ $# -ne 2 ]; then
  echo "usage: pack-payload.sh [--unknown-size] [--lzma1=OPTIONS] INPUT OUTPUT" >&2
  exit 2
fi
input=$1
output=$2
xz=${XZ:-xz}

if [ ! -f "$input" ]; then
  echo "pack-payload: no such file: $input" >&2
  exit 1
fi

tmp="$output.tmp.$$"
trap 'rm -f "$tmp"' EXIT INT TERM
# One thread: the stream doesn't depend on the machine.
"$xz" --format=lzma --lzma1="$lzma1" --threads=1 --stdout <"$input" >"$tmp"

# The header must be what the launcher expects of this packing.
header=$(od -An -tu1 -N13 "$tmp" | tr -s ' \n' '  ')
set -- $header
if [ $# -ne 13 ]; then
  echo "pack-payload: $output: stream shorter than its header" >&2
  exit 1
fi
for b in $6 $7 $8 $9 ${10} ${11} ${12} ${13}; do
  if [ "$b" -ne 255 ]; then
    echo "pack-payload: $output: xz wrote a size into the header; expected it unknown" >&2
    exit 1
  fi
done
if [ "$lzma1" = "dict=16MiB,lc=3,lp=0,pb=2" ]; then
  dictionary=$(( $2 + $3 * 256 + $4 * 65536 + $5 * 16777216 ))
  if [ "$1" -ne 93 ] || [ "$dictionary" -ne 16777216 ]; then
    echo "pack-payload: $output: unexpected header (properties $1, dictionary $dictionary)" >&2
    exit 1
  fi
fi

if [ "$keep_unknown" -eq 0 ]; then
  size=$(wc -c <"$input" | tr -d ' ')
  # The size as 8 bytes, least significant first, written over offset 5.
  bytes=""
  rest=$size
  i=0
  while [ $i -lt 8 ]; do
    bytes="$bytes\\$(printf '%03o' $(( rest % 256 )))"
    rest=$(( rest / 256 ))
    i=$(( i + 1 ))
  done
  printf "$bytes" | dd of="$tmp" bs=1 seek=5 count=8 conv=notrunc status=none
fi

mv -f "$tmp" "$output"
trap - EXIT INT TERM

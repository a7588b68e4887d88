#!/usr/bin/env bash
# Writes the sample stick's .cfg folder (standins/sample_stick) into DEST:
#   tools/sample-stick.sh DEST
# The language files become UTF-16LE with a byte-order mark and CR LF line
# ends, as the platform's profile functions read Unicode files; Setting.ini
# stays ASCII.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: tools/sample-stick.sh DEST" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
src="$root/standins/sample_stick"
mkdir -p "$1/.cfg"
for f in "$src"/*.cfg; do
  { printf '\xff\xfe'; sed 's/$/\r/' "$f" | iconv -f UTF-8 -t UTF-16LE; } >"$1/.cfg/$(basename "$f")"
done
sed 's/$/\r/' "$src/Setting.ini" >"$1/.cfg/Setting.ini"

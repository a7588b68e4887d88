#!/usr/bin/env bash
# Checks that the shipped program rebuilds bit for bit: copies the sources
# (the working tree's files that git knows or would add, with local changes,
# and the xz source) into two throwaway folders of different paths, builds
# the product's Quillon.exe in each, one after the other (so at different
# times, and with another time zone and locale), and compares the two.
#
#   tools/reproduce.sh [COMPONENTS_DIR]
#
# COMPONENTS_DIR: real component files (as QUILLON_COMPONENTS_DIR); without
# it, the stand-ins that each build makes itself. Prints both SHA-256 sums;
# exits 0 when they are equal, else 1 after the first differing offset, the
# section that holds it and the number of differing bytes (the two folders
# are then kept for a look). Installs what is missing first.
set -euo pipefail

if [ $# -gt 1 ] || { [ $# -eq 1 ] && [ ! -d "$1" ]; }; then
  echo "usage: tools/reproduce.sh [COMPONENTS_DIR]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
components=()
[ $# -eq 1 ] && components=("-DQUILLON_COMPONENTS_DIR=$(cd "$1" && pwd)")
cd "$root"
tools/setup.sh >&2
jobs=${QUILLON_BUILD_JOBS:-$(nproc)}

work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-reproduce.XXXXXX")
keep=0
trap '[ "$keep" -eq 1 ] || rm -rf "$work"' EXIT

# copy_sources DEST: the tracked and addable files as they are now, and xz.
copy_sources() {
  mkdir -p "$1/.deps"
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar -cf - --null -T - | tar -xf - -C "$1"
  cp -r "$(readlink -f .deps/xz)" "$1/.deps/xz"
}

# build TREE: the product build of TREE, as tools/build.sh x86 makes it.
build() {
  local tree=$1 log=$1.log start
  shift
  start=$(date +%s)
  if ! { cmake -S "$tree" -B "$tree/build/x86" -DCMAKE_TOOLCHAIN_FILE="$tree/cmake/mingw-i686.cmake" \
           "${components[@]}" &&
         cmake --build "$tree/build/x86" -j "$jobs" --target Quillon; } >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    echo "reproduce: the build in $tree failed ($log)" >&2
    keep=1
    exit 1
  fi
  echo "reproduce: built $tree/build/x86/Quillon.exe in $(( $(date +%s) - start )) s"
}

first=$work/a
second=$work/second-tree-in-a-longer-path
copy_sources "$first"
copy_sources "$second"
build "$first"
TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 build "$second"

a=$first/build/x86/Quillon.exe
b=$second/build/x86/Quillon.exe
sum_a=$(sha256sum <"$a" | cut -d' ' -f1)
sum_b=$(sha256sum <"$b" | cut -d' ' -f1)
echo "$sum_a  first build"
echo "$sum_b  second build"
if [ "$sum_a" = "$sum_b" ]; then
  echo "reproduce: the two builds of Quillon.exe are identical ($(wc -c <"$a") bytes)"
  exit 0
fi

keep=1
if [ "$(wc -c <"$a")" -ne "$(wc -c <"$b")" ]; then
  echo "reproduce: sizes differ: $(wc -c <"$a") and $(wc -c <"$b") bytes"
fi
# cmp counts from 1; the offset is printed from 0, as objdump's file offsets.
first_byte=$(cmp "$a" "$b" 2>/dev/null | sed -n 's/.* byte \([0-9]*\),.*/\1/p')
# One a prefix of the other: the first difference is where the shorter ends.
if [ -z "$first_byte" ]; then
  size_a=$(wc -c <"$a")
  size_b=$(wc -c <"$b")
  first_byte=$(( (size_a < size_b ? size_a : size_b) + 1 ))
fi
if [ -n "$first_byte" ]; then
  offset=$((first_byte - 1))
  # The section whose file range holds the offset (else the headers).
  section=""
  while read -r index name size vma lma file_offset rest; do
    case "$index" in [0-9]*) ;; *) continue ;; esac
    if [ "$offset" -ge $((16#$file_offset)) ] && [ "$offset" -lt $((16#$file_offset + 16#$size)) ]; then
      section=$name
      break
    fi
  done < <(i686-w64-mingw32-objdump -h "$a")
  printf 'reproduce: first difference at offset %d (0x%x), in %s; %d bytes differ\n' \
    "$offset" "$offset" "${section:-the headers}" "$(cmp -l "$a" "$b" 2>/dev/null | wc -l)"
fi
echo "reproduce: Quillon.exe differs between the builds; both kept in $work" >&2
exit 1

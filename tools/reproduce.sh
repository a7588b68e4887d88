#!/usr/bin/env bash
# Checks that the shipped program rebuilds bit for bit: a copy of the sources
# (the files that git tracks or would add, with local changes, and the xz
# source) is built by the x86 preset in another folder, about a year later
# (faketime), in another time zone and locale and with another umask, and
# its Quillon.exe is compared with the first build's. Where they differ,
# diffoscope shows how (as bytes at their offsets: its PE reader takes only
# 64-bit programs; `i686-w64-mingw32-objdump -h` names the section of an
# offset), and both programs are kept with its report.
#
#   tools/reproduce.sh [--first BUILD_DIR] [COMPONENTS_DIR]
#
# --first BUILD_DIR  the first build is this product build of the tree
#                    (build/x86), as it is: only the second is made
# COMPONENTS_DIR     real component files (as QUILLON_COMPONENTS_DIR);
#                    without it, those of the first build (the stand-ins
#                    that each build makes itself, unless BUILD_DIR was
#                    given others)
# Without --first both builds are made here, the first in the usual
# surroundings. Exits 0 when the two programs are identical. Installs what is
# missing first, unless given its first build.
set -euo pipefail

usage() { echo "usage: tools/reproduce.sh [--first BUILD_DIR] [COMPONENTS_DIR]" >&2; exit 2; }
first=""
if [ "${1:-}" = --first ]; then
  [ $# -ge 2 ] && [ -d "$2" ] || usage
  first=$(cd "$2" && pwd)
  shift 2
fi
[ $# -le 1 ] || usage
components=""
if [ $# -eq 1 ]; then
  [ -d "$1" ] || usage
  components=$(cd "$1" && pwd)
fi
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/product.sh"
cd "$root"
if [ -n "$first" ]; then
  why=$(quillon_product_build "$first" 2>&1) || { echo "reproduce: $why" >&2; exit 1; }
  [ -n "$components" ] || components=$(quillon_cached "$first" QUILLON_COMPONENTS_DIR)
else
  tools/setup.sh >&2
fi
jobs=${QUILLON_BUILD_JOBS:-$(nproc)}

work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-reproduce.XXXXXX")
keep=0
trap '[ "$keep" -eq 1 ] || rm -rf "$work"' EXIT

# build NAME [WRAPPER...]: the sources copied to $work/NAME and built there
# by the x86 preset, each command run through WRAPPER; the program is
# $work/NAME/build/x86/Quillon.exe, the build's output $work/NAME.log.
build() {
  local name=$1 src="$work/$1"
  shift
  mkdir -p "$src/.deps"
  quillon_sources | tar -cf - --null -T - | tar -xf - -C "$src"
  cp -r "$(readlink -f .deps/xz)" "$src/.deps/xz"
  (
    cd "$src"
    "$@" cmake --preset x86 ${components:+"-DQUILLON_COMPONENTS_DIR=$components"} &&
      "$@" cmake --build --preset x86 -j "$jobs" --target Quillon
  ) >"$work/$name.log" 2>&1 || { tail -n 30 "$work/$name.log" >&2; return 1; }
}

if [ -n "$first" ]; then
  a="$first/Quillon.exe"
  echo "reproduce: the first build is $first"
else
  echo "reproduce: the first build"
  build first
  a="$work/first/build/x86/Quillon.exe"
fi
# The second: elsewhere, a year and a day later (faketime), on the other side
# of the date line, in another language, with another umask.
echo "reproduce: the second build, elsewhere, later, in another zone, locale and umask"
umask 0002
build second env TZ=GMT-14 LC_ALL=fr_CH.UTF-8 LANG=fr_CH.UTF-8 faketime -f +366d
b="$work/second/build/x86/Quillon.exe"
if cmp -s "$a" "$b"; then
  echo "reproduce: Quillon.exe is identical ($(sha256sum <"$b" | cut -c1-16))"
  exit 0
fi
keep=1
cp "$a" "$work/first.exe"
cp "$b" "$work/second.exe"
diffoscope --max-text-report-size=8000 "$work/first.exe" "$work/second.exe" >"$work/diffoscope.txt" || true
echo "reproduce: Quillon.exe differs between the builds; both kept in $work," \
  "diffoscope's report in $work/diffoscope.txt" >&2
head -n 40 "$work/diffoscope.txt" >&2
exit 1

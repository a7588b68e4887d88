#!/usr/bin/env bash
# Checks that the shipped program rebuilds bit for bit, with Debian's
# reprotest: the sources (the working tree's files that git knows or would
# add, with local changes, and the xz source) are built twice by the x86
# preset, the second time in another folder, about a year later (faketime),
# in another time zone and locale and with another umask. reprotest compares
# the two Quillon.exe; where they differ, diffoscope shows how (as bytes at
# their offsets: its PE reader takes only 64-bit programs;
# `i686-w64-mingw32-objdump -h` names the section of an offset), and the
# builds are kept with diffoscope's whole report.
#
#   tools/reproduce.sh [COMPONENTS_DIR]
#
# COMPONENTS_DIR: real component files (as QUILLON_COMPONENTS_DIR); without
# it, the stand-ins that each build makes itself. Exits 0 when the two
# programs are identical. Installs what is missing first.
set -euo pipefail

if [ $# -gt 1 ] || { [ $# -eq 1 ] && [ ! -d "$1" ]; }; then
  echo "usage: tools/reproduce.sh [COMPONENTS_DIR]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
components=""
[ $# -eq 1 ] && components="-DQUILLON_COMPONENTS_DIR=$(cd "$1" && pwd)"
cd "$root"
tools/setup.sh >&2
export CMAKE_BUILD_PARALLEL_LEVEL=${QUILLON_BUILD_JOBS:-$(nproc)}

work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-reproduce.XXXXXX")
keep=0
trap '[ "$keep" -eq 1 ] || rm -rf "$work"' EXIT

# The tracked and addable files as they are now, and xz.
mkdir -p "$work/src/.deps"
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
  tar -cf - --null -T - | tar -xf - -C "$work/src"
cp -r "$(readlink -f .deps/xz)" "$work/src/.deps/xz"

# Each build's own output goes to its tree's build.log, shown when it fails.
build="{ cmake --preset x86 $components && cmake --build --preset x86 --target Quillon; } \
  >build.log 2>&1 || { tail -n 30 build.log; false; }"
if reprotest --vary=-all,+build_path,+time,+timezone,+locales,+umask --min-cpus="$(nproc)" \
     --diffoscope-arg=--max-text-report-size=8000 --store-dir "$work/out" -s "$work/src" "$build" build/x86/Quillon.exe -- null; then
  exit 0
fi
keep=1
echo "reproduce: Quillon.exe differs between the builds (or a build failed); both kept in $work/out" >&2
exit 1

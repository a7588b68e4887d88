#!/usr/bin/env bash
# Installs what building and testing the launcher needs on a Debian machine
# (cross compilers, Wine, a virtual display) and fetches the xz source that
# liblzma is built from. Safe to run again: it only adds what is missing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
mkdir -p "$deps"

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_cmd i686-w64-mingw32-g++-win32 || need+=(g++-mingw-w64-i686-win32)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix)
have_cmd i686-w64-mingw32-windres || need+=(binutils-mingw-w64-i686)
have_cmd x86_64-w64-mingw32-windres || need+=(binutils-mingw-w64-x86-64)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
have_cmd wine || need+=(wine)
have_cmd Xvfb || need+=(xvfb)
have_cmd cmake || need+=(cmake)
have_cmd xz || need+=(xz-utils)
have_cmd dpkg-source || need+=(dpkg-dev)
have_cmd import || need+=(imagemagick)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# liblzma comes from Debian's xz-utils source package. The machine's apt
# sources are left alone: a private source list (the machine's own archives,
# as deb-src) and a private lists folder are used for this one download.
if [ ! -f "$deps/xz/CMakeLists.txt" ]; then
  echo "setup: fetching the xz-utils source package"
  work="$deps/apt"
  rm -rf "$work" && mkdir -p "$work/lists/partial" "$work/src"
  list="$work/sources.sources"
  : >"$list"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    grep -q '^Types:.*\bdeb\b' "$f" || continue
    sed -e 's/^Types:.*/Types: deb-src/' "$f" >>"$list"
    echo >>"$list"
  done
  opts=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$work/parts"
        -o "Dir::State::Lists=$work/lists" -o "Debug::NoLocking=1")
  mkdir -p "$work/parts" && cp "$list" "$work/parts/"
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$work/parts/legacy.list"
  fi
  apt-get "${opts[@]}" update -qq
  (cd "$work/src" && apt-get "${opts[@]}" source --download-only -qq xz-utils)
  dsc=$(ls "$work"/src/xz-utils_*.dsc | head -n 1)
  rm -rf "$deps/xz"
  dpkg-source --no-check -x "$dsc" "$deps/xz" >/dev/null
  rm -rf "$work"
fi
echo "setup: ready"

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
#   tools/reproduce.sh --against RELEASE [--first BUILD_DIR] [COMPONENTS_DIR]
#
# --first BUILD_DIR  the first build is this product build of the tree
#                    (build/x86), as it is: only the second is made
# COMPONENTS_DIR     real component files (as QUILLON_COMPONENTS_DIR);
#                    without it, those of the first build (the stand-ins
#                    that each build makes itself, unless BUILD_DIR was
#                    given others)
# --against RELEASE  instead, checks a release (tools/release.sh's OUT) on
#                    this machine: names each input that differs from the
#                    release's record (the sources' commit, the xz source,
#                    each tool's Debian package version), builds the program
#                    once here (or takes BUILD_DIR's), names each component
#                    that differs, and compares the program with the
#                    release's: byte for byte when it is unsigned, by the
#                    Authenticode digest when it is signed (the release's
#                    signature put on this build must give the release's
#                    program, byte for byte). Exits 0 when nothing differs.
# Without --first both builds are made here, the first in the usual
# surroundings. Exits 0 when the two programs are identical. Installs what is
# missing first, unless given its first build.
set -euo pipefail

usage() {
  echo "usage: tools/reproduce.sh [--against RELEASE] [--first BUILD_DIR] [COMPONENTS_DIR]" >&2
  exit 2
}
first="" against=""
while [ $# -gt 0 ]; do
  case "$1" in
    --first)
      [ $# -ge 2 ] && [ -d "$2" ] || usage
      first=$(cd "$2" && pwd)
      shift 2
      ;;
    --against)
      [ $# -ge 2 ] && [ -d "$2" ] || usage
      against=$(cd "$2" && pwd)
      shift 2
      ;;
    -*) usage ;;
    *) break ;;
  esac
done
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

# The release's record against this machine: each difference in one line.
differences=0
differ() {
  echo "reproduce: $1 differs: the release's $2, here $3"
  differences=$((differences + 1))
}
recorded() { sed -n "s/^$1 //p" "$against/MANIFEST"; }
if [ -n "$against" ]; then
  [ -f "$against/MANIFEST" ] && buildinfo="$against/$(recorded build-info)" &&
    [ -f "$buildinfo" ] && [ -f "$against/stick/Quillon.exe" ] || {
    echo "reproduce: $against holds no release (MANIFEST, its .buildinfo, stick/Quillon.exe)" >&2
    exit 2
  }
  echo "reproduce: $against's record against this machine"
  here=$(quillon_sources_state)
  [ "$(recorded sources)" = "$here" ] || differ "the sources' commit" "$(recorded sources)" "$here"
  if [ -n "$first" ]; then
    here=$(quillon_cached "$first" QUILLON_XZ_SOURCE)
  else
    here=$(cat .deps/xz/.quillon-source 2>/dev/null || echo "no record in .deps/xz")
  fi
  [ "$(recorded xz-source)" = "$here" ] || differ "the xz source" "$(recorded xz-source)" "$here"
  # " PACKAGE (= VERSION)," in Installed-Build-Depends.
  tools=$(sed -n '/^Installed-Build-Depends:/,/^[^ ]/ s/^ \([^ ]*\) (= \([^)]*\)),\{0,1\}$/\1 \2/p' \
    "$buildinfo")
  [ -n "$tools" ] || differ "the tools" "$(basename "$buildinfo") names none" "installed"
  while read -r package version; do
    here=$(dpkg-query -W -f='${Status} ${Version}' "$package" 2>/dev/null |
      sed -n 's/^install ok installed //p')
    [ "$here" = "$version" ] || differ "$package" "$version" "${here:-not installed}"
  done <<<"$tools"
fi

which=first
[ -z "$against" ] || which=compared
if [ -n "$first" ]; then
  a="$first/Quillon.exe"
  a_build=$first
  echo "reproduce: the $which build is $first"
else
  echo "reproduce: the $which build"
  build first
  a="$work/first/build/x86/Quillon.exe"
  a_build="$work/first/build/x86"
fi

if [ -n "$against" ]; then
  rows=$(quillon_component_rows "$a_build")
  while read -r _ resource recorded_row; do
    here=$(sed -n "s/^component $resource //p" <<<"$rows")
    [ "$here" = "$recorded_row" ] || differ "the component $resource" "$recorded_row" "${here:-none}"
  done < <(grep '^component ' "$against/MANIFEST")
  release="$against/stick/Quillon.exe"
  if [ "$(recorded signature)" = none ]; then
    if cmp -s "$release" "$a"; then
      echo "reproduce: Quillon.exe is the release's, byte for byte ($(sha256sum <"$a" | cut -c1-16))"
    else
      differ "Quillon.exe" "SHA-256 $(sha256sum <"$release" | cut -d' ' -f1)" \
        "$(sha256sum <"$a" | cut -d' ' -f1)"
    fi
  else
    # The release's signature on this build: its digest is this build's, and
    # the program it gives is the release's when the builds are the same.
    osslsigncode extract-signature -pem -in "$release" -out "$work/release.sig" >/dev/null 2>&1 || true
    osslsigncode attach-signature -sigin "$work/release.sig" -in "$a" -out "$work/signed.exe" \
      >"$work/attach.log" 2>&1 || true
    digest() { sed -n "s/^$1 message digest *: *\([0-9A-F]*\).*/\1/p" "$work/attach.log"; }
    if [ -n "$(digest Current)" ] && [ "$(digest Current)" = "$(recorded authenticode-sha256)" ] &&
       [ "$(digest Calculated)" = "$(digest Current)" ] && cmp -s "$work/signed.exe" "$release"; then
      echo "reproduce: Quillon.exe's Authenticode digest is the release's ($(digest Current | cut -c1-16));" \
        "with its signature, it is the release's program, byte for byte"
    else
      differ "Quillon.exe's Authenticode digest" "$(recorded authenticode-sha256)" \
        "$(digest Calculated | grep . || echo none)"
    fi
  fi
  if [ "$differences" -eq 0 ]; then
    echo "reproduce: nothing differs from the release's record"
    exit 0
  fi
  [ -n "$first" ] || { keep=1; echo "reproduce: this build is kept in $work/first"; }
  echo "reproduce: $differences difference(s) from the release's record"
  exit 1
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

#!/usr/bin/env bash
# A release: the shipped program with the real components, signed when a
# signing identity is given, on a stick laid out, checked and photographed,
# with the sums that let anyone confirm it.
#
#   tools/release.sh [IDENTITY [--timestamp URL] [--url URL]] --build-dir DIR STICK_FILES_DIR OUT
#
# IDENTITY        --pkcs12 FILE --password-file FILE, or --cert CHAIN.pem
#                 --key KEY.pem: Quillon.exe is signed by tools/sign.sh (see
#                 there, with --timestamp and --url); the identity is read
#                 before anything else. Without it the release is unsigned,
#                 and says so.
# --build-dir DIR the product build of this tree (the preset x86) whose
#                 program is released, with the components it embedded:
#                 build it first, with the real components
#                 (QUILLON_COMPONENTS_DIR, README); a test build or another
#                 tree's is refused. Nothing is built here.
# STICK_FILES_DIR the stick's .cfg files: Language.cfg, the language files
#                 (*.cfg) and Setting.ini; a stick's root that holds .cfg
#                 will do too
# OUT             gets:
#   stick/             Quillon.exe (signed) at the root, .cfg/ with the stick's files
#   check-stick.txt    the stick checker's findings (tools/check-stick.sh)
#   gallery/           every dialog in every language (tools/gallery.sh)
#   SHA256SUMS         the program and every stick file (cd OUT && sha256sum -c SHA256SUMS)
#   MANIFEST           the program's version, the sources' commit, the xz
#                      source (package, version, its .dsc's SHA-256), the
#                      .buildinfo's name, the signature ("signature none", or
#                      tools/sign.sh's lines), and per component its name,
#                      size, SHA-256 and packed size
#   quillon_VERSION.buildinfo
#                      the build as Debian records one (deb-buildinfo(5)):
#                      the program's sums, the xz source it embeds
#                      (Built-Using) and the exact Debian packages of the tools
#                      that made it (Installed-Build-Depends)
#
# The checker and the gallery run on the stick with the signed program; they
# read its .cfg files only. Stops, with a non-zero exit, when the identity
# can't be read or DIR is no product build, without a stick when the program
# isn't signed, and when the checker finds an error or the gallery fails.
set -euo pipefail

usage() {
  echo "usage: tools/release.sh [IDENTITY [--timestamp URL] [--url URL]] --build-dir DIR" \
    "STICK_FILES_DIR OUT (IDENTITY: see tools/sign.sh)" >&2
  exit 2
}
signing=()
build_dir=""
while [ $# -gt 0 ]; do
  case "$1" in
    --pkcs12 | --password-file | --cert | --key | --timestamp | --url)
      [ $# -ge 2 ] || usage
      signing+=("$1" "$2")
      shift 2
      ;;
    --build-dir)
      [ $# -ge 2 ] && [ -d "$2" ] || usage
      build_dir=$(cd "$2" && pwd)
      shift 2
      ;;
    -*) usage ;;
    *) break ;;
  esac
done
here=$PWD
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "$build_dir" ] && [ $# -eq 2 ] && [ -d "$1" ] || usage
files=$(cd "$1" && pwd)
[ -d "$files/.cfg" ] && files="$files/.cfg"
mkdir -p "$2"
out=$(cd "$2" && pwd)
cd "$root"
if [ ! -f "$files/Language.cfg" ]; then
  echo "release: $files holds no Language.cfg" >&2
  exit 1
fi
say() { echo "release: $*"; }

source "$root/tools/product.sh"
why=$(quillon_product_build "$build_dir" 2>&1) || { echo "release: $why" >&2; exit 1; }
components=$(quillon_components "$build_dir")

work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
rm -rf "$out/stick" "$out/gallery" "$out/SHA256SUMS" "$out/MANIFEST" "$out"/*.buildinfo \
  "$out/check-stick.txt" "$out/gallery.log"

# sign [PROGRAM SIGNED]: tools/sign.sh with the release's identity, from the
# folder that its paths are relative to. Without a program it only reads the
# identity, before anything else.
sign() { (cd "$here" && "$root/tools/sign.sh" "${signing[@]}" "$@"); }
if [ ${#signing[@]} -gt 0 ]; then
  sign || exit
else
  say "unsigned: no signing identity given (--pkcs12 or --cert)"
fi

# 1. The program, as the build made it.
build=$build_dir
say "Quillon.exe of $build, with the components of $components"

# 2. The signature; a program that isn't signed goes on no stick.
program="$build/Quillon.exe"
signature="signature none"
if [ ${#signing[@]} -gt 0 ]; then
  signature=$(sign "$program" "$work/Quillon.exe") || {
    echo "release: Quillon.exe is not signed: nothing released" >&2
    exit 1
  }
  program="$work/Quillon.exe"
  say "signed: $(sed -n 's/^authenticode-sha256 /Authenticode digest (SHA-256) /p' <<<"$signature")"
fi

# 3. The stick: the program at its root, the settings and language files in .cfg.
stick="$out/stick"
mkdir -p "$stick/.cfg"
cp "$program" "$stick/Quillon.exe"
for f in "$files"/*; do
  name=$(basename "$f")
  case "$name" in
    *.cfg | Setting.ini) [ -f "$f" ] && cp "$f" "$stick/.cfg/$name" ;;
    *) say "not on the stick: $f" ;;
  esac
done
[ -f "$stick/.cfg/Setting.ini" ] || say "no Setting.ini in $files: the stick has none"

# 4. The checker; an error stops the release.
check=0
tools/check-stick.sh "$stick" >"$out/check-stick.txt" || check=$?
sed 's/^/  /' "$out/check-stick.txt"
if [ "$check" -ne 0 ]; then
  echo "release: the stick checker found errors (status $check): $out/check-stick.txt" >&2
  exit 1
fi

# 5. The gallery of that stick.
if ! tools/gallery.sh "$stick" "$out/gallery" >"$out/gallery.log" 2>&1; then
  tail -n 20 "$out/gallery.log" >&2
  echo "release: the gallery failed: $out/gallery.log" >&2
  exit 1
fi
say "gallery: $out/gallery/index.html"

# 6. The sums of the program and of every stick file, relative to OUT.
(cd "$out" && find stick -type f | LC_ALL=C sort | tr '\n' '\0' | xargs -0 sha256sum) \
  >"$out/SHA256SUMS"

# 7. The record: the manifest and the .buildinfo. The component rows are
# those of the build's listing of the payloads (from deploy/components.def),
# in its order. The tools' packages are those that hold the files the build
# recorded, at their versions installed here. Both are written aside and put
# in place only when complete: a missing stream, or a tool that no Debian
# package holds, leaves no record at all.
version=$(quillon_cached "$build" QUILLON_VERSION)
xz=$(quillon_cached "$build" QUILLON_XZ_SOURCE)
buildinfo="quillon_$version.buildinfo"
mapfile -t files < <(quillon_cached "$build" QUILLON_BUILD_FILES | tr ';' '\n')
packages=$(quillon_packages "${files[@]}" 2>"$work/packages.log") || {
  sed 's/^/release: /' "$work/packages.log" >&2
  echo "release: the record can't name every tool of the build" >&2
  exit 1
}
{
  echo "program Quillon.exe $version"
  echo "sources $(quillon_sources_state)"
  echo "xz-source $xz"
  echo "build-info $buildinfo"
  echo "packer tools/pack_payload, with the liblzma of the xz source"
  echo "$signature"
  echo "# component RESOURCE FILE SIZE SHA256 PACKED_SIZE"
  quillon_component_rows "$build" 2>"$work/rows.log" || { sed 's/^/release: /' "$work/rows.log" >&2; exit 1; }
} >"$work/MANIFEST"
[ "$(grep -c '^component ' "$work/MANIFEST")" -gt 0 ] || {
  echo "release: the manifest lists no component" >&2
  exit 1
}
size=$(wc -c <"$build/Quillon.exe" | tr -d ' ')
{
  echo "Format: 1.0"
  echo "Source: quillon"
  echo "Version: $version"
  for sum in md5 sha1 sha256; do
    echo "Checksums-$(sed 's/^./\u&/' <<<"$sum"):"
    echo " $("${sum}sum" <"$build/Quillon.exe" | cut -d' ' -f1) $size Quillon.exe"
  done
  echo "Built-Using: $(cut -d' ' -f1 <<<"$xz") (= $(cut -d' ' -f2 <<<"$xz"))"
  echo "Build-Origin: $(dpkg-vendor --query Vendor)"
  echo "Build-Architecture: $(dpkg --print-architecture)"
  echo "Build-Date: $(date -R)"
  echo "Installed-Build-Depends:"
  sed 's/^/ /; $!s/$/,/' <<<"$packages"
} >"$work/buildinfo"
mv "$work/buildinfo" "$out/$buildinfo"
mv "$work/MANIFEST" "$out/MANIFEST"

say "Quillon.exe $version, $(grep -c '^component ' "$out/MANIFEST") components," \
  "$(wc -l <"$out/SHA256SUMS") files summed"
say "$(grep ' stick/Quillon.exe$' "$out/SHA256SUMS")"
say "$out: stick/, gallery/, SHA256SUMS, MANIFEST, $buildinfo"

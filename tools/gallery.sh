#!/usr/bin/env bash
# The gallery of a stick: every dialog and message box that a start of the
# launcher can show, in every language that the stick offers (and from the
# program's own string table alone), as PNG pictures with an index.html that
# shows them in a grid beside the stick checker's findings.
#
#   tools/gallery.sh [--pseudo] STICK_FOLDER [OUT]   (OUT defaults to build/gallery)
#
# With --pseudo, stick_check writes the pseudo-translation (0501.cfg,
# docs/sticks.md) into the work stick first, and the page shows it as a
# marked row of its own.
#
# The stick's .cfg folder is copied to a work stick, mapped as drive G: of a
# throwaway Wine prefix on a virtual display, beside stick_check.exe, which
# shows each window through the launcher's own code and photographs it.
# The prefix has Wine's own dialog fonts and a CJK font from Debian's
# packages linked to them (tools/wine-env.sh), so that Japanese and Chinese
# render. Exits non-zero when a picture is missing or a dialog showed other
# texts than the checker expects. Sets up and builds stick_check.exe first,
# unless QUILLON_STICK_CHECK names one.
set -euo pipefail

pseudo=()
if [ "${1:-}" = --pseudo ]; then
  pseudo=(--pseudo)
  shift
fi
if [ $# -lt 1 ] || [ $# -gt 2 ] || [ ! -d "$1" ]; then
  echo "usage: tools/gallery.sh [--pseudo] STICK_FOLDER [OUT]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
quillon_on_display "$0" "${pseudo[@]}" "$@"
stick=$(cd "$1" && pwd)
out=${2:-$root/build/gallery}
mkdir -p "$out"
out=$(cd "$out" && pwd)
checker=$(quillon_stick_checker)

quillon_throwaway_prefix gallery g=stick >/dev/null
work="$QUILLON_THROWAWAY/stick"
[ -d "$stick/.cfg" ] && cp -r "$stick/.cfg" "$work/.cfg"
mkdir -p "$work/.cfg"
cp "$checker" "$work/"

rm -f "$out"/*.png "$out"/*.bmp "$out/index.html" "$out/findings.txt"
status=0
QUILLON_GALLERY=1 wine 'G:\stick_check.exe' gallery "$(winepath -w "$out")" "${pseudo[@]}" \
  </dev/null || status=$?
# The pictures as PNG, in one process.
if compgen -G "$out/*.bmp" >/dev/null; then
  mogrify -format png "$out"/*.bmp && rm -f "$out"/*.bmp
fi
echo "gallery: $out/index.html ($(ls "$out"/*.png 2>/dev/null | wc -l) pictures)"
exit "$status"

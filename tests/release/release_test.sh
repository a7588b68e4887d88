#!/usr/bin/env bash
# The release of the sample stick with the stand-in components: every file in
# its place, the manifest names every component, SHA256SUMS verifies with
# sha256sum -c (and fails on a changed byte), and the program is the one that
# the default build makes from the same components, byte for byte.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$root/build/release-test"
components="$root/build/x86/components"
rm -rf "$work"
"$root/tools/sample-stick.sh" "$work/files"
"$root/tools/release.sh" "$components" "$work/files/.cfg" "$work/out" >"$work.log" 2>&1 || {
  cat "$work.log"
  echo "FAIL: tools/release.sh failed"
  exit 1
}
out="$work/out"
fail() { echo "FAIL: $*"; exit 1; }

for f in stick/Quillon.exe stick/.cfg/Language.cfg stick/.cfg/0409.cfg stick/.cfg/0411.cfg \
         stick/.cfg/0804.cfg stick/.cfg/Setting.ini gallery/index.html check-stick.txt \
         SHA256SUMS MANIFEST; do
  [ -s "$out/$f" ] || fail "$f missing or empty"
done
# Every file of the stick is summed, and nothing else.
listed=$(cut -d' ' -f3- "$out/SHA256SUMS" | LC_ALL=C sort)
present=$(cd "$out" && find stick -type f | LC_ALL=C sort)
[ "$listed" = "$present" ] || fail "SHA256SUMS lists: $listed; the stick holds: $present"
(cd "$out" && sha256sum --quiet -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS"
cp "$out/stick/.cfg/Setting.ini" "$work/Setting.ini"
printf 'x' >>"$out/stick/.cfg/Setting.ini"
if (cd "$out" && sha256sum --quiet -c SHA256SUMS) >/dev/null 2>&1; then
  fail "sha256sum -c passes with a changed Setting.ini"
fi
cp "$work/Setting.ini" "$out/stick/.cfg/Setting.ini"

# One row per payload, each with the file's own size and sum.
grep -q '^program Quillon.exe [0-9]*\.[0-9]*\.[0-9]*\.[0-9]*$' "$out/MANIFEST" ||
  fail "no program version in MANIFEST"
rows=$(grep -c '^component ' "$out/MANIFEST")
[ "$rows" -eq 20 ] || fail "MANIFEST: $rows components, expected 20"
while read -r _ resource file size sum packed; do
  [ "$size" = "$(wc -c <"$components/$file" | tr -d ' ')" ] || fail "$resource: size $size"
  [ "$sum" = "$(sha256sum <"$components/$file" | cut -d' ' -f1)" ] || fail "$resource: sum $sum"
  [ "$packed" -gt 13 ] || fail "$resource: packed size $packed"
done < <(grep '^component ' "$out/MANIFEST")

# Built in another folder through the components road, the same bytes as build/x86.
cmp "$out/stick/Quillon.exe" "$root/build/x86/Quillon.exe" ||
  fail "the release's Quillon.exe differs from build/x86/Quillon.exe"
echo "release: complete, $rows components, SHA256SUMS verifies," \
  "$(grep ' stick/Quillon.exe$' "$out/SHA256SUMS" | cut -c1-16) = build/x86"

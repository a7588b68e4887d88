#!/usr/bin/env bash
# The gallery of the sample stick with its pseudo-translation: tools/gallery.sh
# --pseudo takes every picture, the checker finds no error on the sample's own
# files, the pseudo row is marked, and index.html, opened in headless
# Chromium, loads every picture that it names. With one picture removed the
# page must count one fewer, so the check can fail. Runs in the working folder
# that it is given, with the stick checker of QUILLON_STICK_CHECK.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$PWD
rm -rf "$work/stick" "$work/out" "$work/chromium"
"$root/tools/sample-stick.sh" "$work/stick"
"$root/tools/gallery.sh" --pseudo "$work/stick" "$work/out" >"$work/gallery.log" 2>&1 || {
  cat "$work/gallery.log"
  echo "FAIL: tools/gallery.sh failed"
  exit 1
}

fail() { echo "FAIL: $*"; exit 1; }
# Six rows (Japanese, English, Chinese, the pseudo-translation, Language.cfg,
# the string table) of 23 screens.
expected=138
pictures=$(ls "$work/out"/*.png | wc -l)
[ "$pictures" -eq "$expected" ] || fail "$pictures pictures, expected $expected"
if grep '^error:' "$work/out/findings.txt" | grep -vF '0501.cfg'; then
  fail "the sample stick has errors"
fi
grep -q '<tr class="pseudo"><th class="row">Pseudo-translation (0501.cfg, number 4)' \
  "$work/out/index.html" || fail "the pseudo row is not marked"

# Counts the pictures that loaded, as the page's own script reports them.
loaded() {
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/chromium" --virtual-time-budget=10000 \
    --dump-dom "file://$work/out/index.html" 2>/dev/null |
    grep -o 'data-loaded="[0-9]*" data-total="[0-9]*"'
}
answer=$(loaded) || fail "the page reported nothing"
[ "$answer" = "data-loaded=\"$expected\" data-total=\"$expected\"" ] || fail "page: $answer"

rm "$work/out/2-0409-258-avast.png"
answer=$(loaded) || fail "the page reported nothing"
[ "$answer" = "data-loaded=\"$((expected - 1))\" data-total=\"$expected\"" ] ||
  fail "with a picture missing, page: $answer"
echo "gallery page: $expected of $expected pictures load; a missing one is counted"

#!/usr/bin/env bash
# The Wine environment of a test build's tests: ctest's fixture
# (tests/CMakeLists.txt), set up before the first Wine test and cleaned up
# after the last.
#
#   tools/test-environment.sh setup BUILD_DIR
#   tools/test-environment.sh cleanup BUILD_DIR
#
# setup makes a fresh prefix in BUILD_DIR/wine with the dialogs' fonts; maps
# S: to the empty stick BUILD_DIR/stick, on which the end-to-end tests lay out
# their own, and T: to a hostile stick; mounts a full disk where this user
# may; and writes what the tests are to know into BUILD_DIR/wine/test.env,
# which tools/wine-run.sh reads. It needs a display (tools/test.sh runs
# everything on one). cleanup ends the prefix's processes and unmounts the
# full disk.
set -euo pipefail

if [ $# -ne 2 ] || [ ! -d "$2" ]; then
  echo "usage: tools/test-environment.sh setup|cleanup BUILD_DIR" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$2" && pwd)
source "$root/tools/wine-env.sh"
export WINEPREFIX="$build/wine"
full_disk="$build/full-disk"

if [ "$1" = cleanup ]; then
  quillon_wine_stop
  umount "$full_disk" 2>/dev/null || true
  exit 0
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "test-environment: no display: run the tests through tools/test.sh (or xvfb-run -a ctest ...)" >&2
  exit 1
fi

quillon_wine_prefix_create "$WINEPREFIX"
# The dialogs' fonts as the stick checker measures with them (its tests run here).
quillon_dialog_fonts
facts=()

# Whether this prefix runs 32-bit programs decides whether the x86 half runs.
if ! reason=$(quillon_wine32_check); then
  facts+=("QUILLON_WINE32_UNAVAILABLE=$reason")
  echo "test-environment: 32-bit programs are skipped: $reason"
fi

rm -rf "$build/stick"
mkdir -p "$build/stick"
quillon_stick_map "$build/stick" s
facts+=("QUILLON_STICK=S:")

# A hostile stick on T:, for the walk of the stick: a link that leads back up
# its own tree (entered, the walk would go round until its paths are too
# long), a link to a folder off the stick that holds a settings tool (never to
# be found), and a tree 40 folders deep with the auto-start companion at the
# bottom.
hostile="$build/hostile-stick"
rm -rf "$hostile" "$build/hostile-outside"
deep="$hostile/deep"
for i in $(seq 1 40); do deep="$deep/d$i"; done
mkdir -p "$deep" "$hostile/loop" "$hostile/link" "$build/hostile-outside"
cp "$build/companions/6_0_0_18/Swiftgate.exe" "$deep/Swiftgate.exe"
cp "$build/companions/Confera.exe" "$build/hostile-outside/Confera.exe"
ln -s .. "$hostile/loop/back"
ln -s "$build/hostile-outside" "$hostile/link/out"
quillon_stick_map "$hostile" t
facts+=("QUILLON_HOSTILE_STICK=T:")

# A full disk, for the test of a write that fails: a tmpfs of 64 KiB, which
# the tests reach through Wine's drive Z:. Mounting it needs root; without it
# that test is skipped.
mkdir -p "$full_disk"
if mountpoint -q "$full_disk" || mount -t tmpfs -o size=64k tmpfs "$full_disk" 2>/dev/null; then
  find "$full_disk" -mindepth 1 -delete
  facts+=("QUILLON_FULL_DISK=$(winepath -w "$full_disk" </dev/null)")
else
  echo "test-environment: no full disk (mounting a tmpfs needs root): the failed-write test is skipped"
fi

printf 'export %q\n' "${facts[@]}" >"$WINEPREFIX/test.env"
cat "$WINEPREFIX/test.env"

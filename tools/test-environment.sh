#!/usr/bin/env bash
# A Wine environment of a test build's tests: ctest's fixture
# (tests/CMakeLists.txt), set up before the first test that runs in it and
# cleaned up after the last. Each of a build's environments is used by one
# test at a time (ctest's resource lock), and environments run side by side.
#
#   tools/test-environment.sh setup BUILD_DIR NAME
#   tools/test-environment.sh cleanup BUILD_DIR NAME
#
# setup makes, in BUILD_DIR/NAME: a fresh prefix (wine/, a copy of the
# template of tools/wine-env.sh, with the dialogs' fonts); the empty stick S:
# (stick/), on which the end-to-end tests lay out their own; a hostile stick
# T:; a full disk where this user may mount one; and test.env, what the tests
# are to know, which tools/wine-run.sh reads. It needs a display (tools/test.sh
# runs everything on one). cleanup ends the prefix's processes and unmounts
# the full disk.
set -euo pipefail

if [ $# -ne 3 ] || [ ! -d "$2" ]; then
  echo "usage: tools/test-environment.sh setup|cleanup BUILD_DIR NAME" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$2" && pwd)
env="$build/$3"
source "$root/tools/wine-env.sh"
export WINEPREFIX="$env/wine"
full_disk="$env/full-disk"

if [ "$1" = cleanup ]; then
  quillon_wine_stop
  umount "$full_disk" 2>/dev/null || true
  exit 0
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "test-environment: no display: run the tests through tools/test.sh (or xvfb-run -a ctest ...)" >&2
  exit 1
fi
umount "$full_disk" 2>/dev/null || true
rm -rf "$env"
mkdir -p "$env"

# A hostile stick on T:, for the walk of the stick: a link that leads back up
# its own tree (entered, the walk would go round until its paths are too
# long), a link to a folder off the stick that holds a settings tool (never to
# be found), and a tree 40 folders deep with the auto-start companion at the
# bottom.
hostile="$env/hostile-stick"
deep="$hostile/deep"
for i in $(seq 1 40); do deep="$deep/d$i"; done
mkdir -p "$deep" "$hostile/loop" "$hostile/link" "$env/hostile-outside" "$env/stick"
cp "$build/companions/6_0_0_18/Swiftgate.exe" "$deep/Swiftgate.exe"
cp "$build/companions/Confera.exe" "$env/hostile-outside/Confera.exe"
ln -s .. "$hostile/loop/back"
ln -s "$env/hostile-outside" "$hostile/link/out"

quillon_wine_prefix_create "$WINEPREFIX" "s=$env/stick" "t=$hostile"
facts=("QUILLON_STICK=S:" "QUILLON_HOSTILE_STICK=T:")

# Whether Wine runs 32-bit programs here (the set-up's probe) decides whether
# the x86 half runs.
wine32=$(cat "$root/.deps/wine32.status" 2>/dev/null || echo "unknown: run tools/setup.sh")
if [ "$wine32" != ok ]; then
  facts+=("QUILLON_WINE32_UNAVAILABLE=$wine32")
  echo "test-environment: 32-bit programs are skipped: $wine32"
fi

# A full disk, for the test of a write that fails: a tmpfs of 64 KiB, which
# the tests reach through Wine's drive Z:. Mounting it needs root; without it
# that test is skipped.
mkdir -p "$full_disk"
if mount -t tmpfs -o size=64k tmpfs "$full_disk" 2>/dev/null; then
  facts+=("QUILLON_FULL_DISK=$(winepath -w "$full_disk" </dev/null)")
else
  echo "test-environment: no full disk (mounting a tmpfs needs root): the failed-write test is skipped"
fi

printf 'export %q\n' "${facts[@]}" >"$WINEPREFIX/test.env"
cat "$WINEPREFIX/test.env"

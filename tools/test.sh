#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the product (build/x86),
# the two test builds (build/x86-tests for i686, build/x64 for x86-64) and the
# fuzz targets (build/fuzz, for this host), and runs both test suites, unit
# and end-to-end, under Wine in one throwaway prefix (build/wine) on a virtual
# display, with the stick drive S: mapped to build/stick, then each fuzz
# target for a fixed number of runs (fuzz_service_reply, ...). Each Wine
# test's name ends in the bitness it ran in (deploy_tests_x86,
# deploy_tests_x64). Where Wine can't run 32-bit programs, the x86 half is
# reported as skipped, with the reason. Arguments go to ctest (for example
# -R e2e). Exits with ctest's status.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
quillon_on_display "$0" "$@"
cd "$root"

tools/setup.sh
tools/build.sh x86 x86-tests x64 fuzz

trap quillon_wine_stop EXIT
quillon_wine_prefix_create "$root/build/wine"
# The dialogs' fonts as the stick checker measures with them (its tests run here).
quillon_dialog_fonts

# Whether this prefix runs 32-bit programs decides whether the x86 half runs.
unset QUILLON_WINE32_UNAVAILABLE
if ! reason=$(quillon_wine32_check); then
  export QUILLON_WINE32_UNAVAILABLE="$reason"
  echo "test: the x86 half is skipped: $reason"
fi

# The end-to-end tests lay out their own stick on S:; it starts empty.
rm -rf build/stick
mkdir -p build/stick
quillon_stick_map build/stick s
export QUILLON_STICK=S:

# A hostile stick on T:, for the walk of the stick: a link that leads back up
# its own tree (entered, the walk would go round until its paths are too
# long), a link to a folder off the stick that holds a settings tool (never to
# be found), and a tree 40 folders deep with the auto-start companion at the
# bottom.
rm -rf build/hostile-stick build/hostile-outside
deep=build/hostile-stick/deep
for i in $(seq 1 40); do deep="$deep/d$i"; done
mkdir -p "$deep" build/hostile-stick/loop build/hostile-stick/link build/hostile-outside
cp build/x64/companions/6_0_0_18/Swiftgate.exe "$deep/Swiftgate.exe"
cp build/x64/companions/Confera.exe build/hostile-outside/Confera.exe
ln -s .. build/hostile-stick/loop/back
ln -s "$root/build/hostile-outside" build/hostile-stick/link/out
quillon_stick_map build/hostile-stick t
export QUILLON_HOSTILE_STICK=T:

# A full disk, for the test of a write that fails: a tmpfs of 64 KiB over
# build/full-disk, which the tests reach through Wine's drive Z:. Mounting it
# needs root; without it that test is skipped.
full_disk="$root/build/full-disk"
unset QUILLON_FULL_DISK
mkdir -p "$full_disk"
if mountpoint -q "$full_disk" || mount -t tmpfs -o size=64k tmpfs "$full_disk" 2>/dev/null; then
  trap 'quillon_wine_stop; umount "$full_disk" 2>/dev/null || true' EXIT
  find "$full_disk" -mindepth 1 -delete
  QUILLON_FULL_DISK=$(winepath -w "$full_disk" </dev/null)
  export QUILLON_FULL_DISK
else
  echo "test: no full disk (mounting a tmpfs needs root): the failed-write test is skipped"
fi

# One ctest run over both test builds, the 64-bit suite, then the 32-bit one,
# the fuzz targets on the host, the gallery and the release of the sample
# stick, and two builds of the product that must be identical.
cat >build/CTestTestfile.cmake <<CTEST
# Written by tools/test.sh: both test builds and the fuzz targets in one run,
# the gallery's page in Chromium, the release of the sample stick and the
# check that the product rebuilds bit for bit.
subdirs("x64")
subdirs("x86-tests")
subdirs("fuzz")
add_test(gallery_page "$root/tests/stick_check/gallery_page_test.sh")
add_test(release_sample "$root/tests/release/release_test.sh")
add_test(reproduce "$root/tools/reproduce.sh")
add_test(setup_apt "$root/tests/setup/setup_apt_test.sh")
CTEST

status=0
ctest --test-dir build --output-on-failure --timeout 1200 "$@" </dev/null || status=$?
if [ -n "${QUILLON_WINE32_UNAVAILABLE:-}" ]; then
  echo "test: the x86 half was skipped: $QUILLON_WINE32_UNAVAILABLE"
fi
exit "$status"

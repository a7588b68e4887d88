#!/usr/bin/env bash
# Runs every test: installs what is missing and runs CMakePresets.json's
# workflows on one virtual display: the product (x86, which the 32-bit
# end-to-end tests also start), then each test build's workflow (configure,
# build, test): x64, x86-tests (the same suites for i686, skipped with the
# reason where Wine can't run 32-bit programs) and fuzz (the fuzz targets on
# this host). Each test build's Wine tests run in a throwaway prefix of its
# own (tools/test-environment.sh, ctest's fixture); the test builds also hold
# the scripts' tests (gallery_page, reproduce, setup_apt; release_sample).
#
#   tools/test.sh              every workflow
#   tools/test.sh CTEST_ARGS   builds all, then ctest with these arguments in
#                              each test build (tools/test.sh -R e2e_tests_x86)
#
# Exits 0 when every step passed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
quillon_on_display "$0" "$@"
cd "$root"
export CMAKE_BUILD_PARALLEL_LEVEL=${QUILLON_BUILD_JOBS:-$(nproc)}

tools/setup.sh
status=0
if [ $# -eq 0 ]; then
  for preset in x86 x64 x86-tests fuzz; do
    cmake --workflow --preset "$preset" || status=1
  done
else
  tools/build.sh x86 x64 x86-tests fuzz
  for preset in x64 x86-tests fuzz; do
    ctest --preset "$preset" "$@" </dev/null || status=1
  done
fi
if [ "$(cat .deps/wine32.status)" != ok ]; then
  echo "test: the x86 half was skipped: $(cat .deps/wine32.status)"
fi
exit "$status"

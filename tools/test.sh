#!/usr/bin/env bash
# Runs the tests on one virtual display, after installing what is missing and
# building what they need (CMakePresets.json, tools/build.sh).
#
#   tools/test.sh              every test: the product (x86) and x64 are
#                              built, x64's tests run while x86-tests (where
#                              Wine runs 32-bit programs) and fuzz build, then
#                              theirs run
#   tools/test.sh CTEST_ARGS   the tests that these ctest arguments select
#                              (-L unit, -R e2e_tests_x64, ...) in each test
#                              build that has one; only those builds are made,
#                              and the product where a chosen test needs it.
#                              Fails when no build has a test they select.
#
# Exits 0 when every step passed; says why when the x86 half was skipped.
# Says how long the set-up, the builds before the first test, and the whole
# took (seconds since the display started).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd -P)
source "$root/tools/wine-env.sh"
quillon_on_display "$0" "$@"
cd "$root"
export CMAKE_BUILD_PARALLEL_LEVEL=${QUILLON_BUILD_JOBS:-$(nproc)}

tools/setup.sh
echo "test: set-up done at ${SECONDS} s"
wine32=$(cat .deps/wine32.status)
status=0
if [ $# -eq 0 ]; then
  # Where Wine can't run 32-bit programs, the 32-bit test build is neither
  # made nor run: every test in it would be skipped.
  others=(x86-tests fuzz)
  [ "$wine32" = ok ] || others=(fuzz)
  tools/build.sh x86 x64
  echo "test: x86 and x64 built at ${SECONDS} s"
  # The other builds compile while the x86-64 tests run, which wait on Wine
  # more than they compute; their tests follow.
  log=build/others.build.log
  echo "test: building ${others[*]} meanwhile (output in $log)"
  tools/build.sh "${others[@]}" >"$log" 2>&1 &
  builder=$!
  ctest --preset x64 </dev/null || status=1
  if wait "$builder"; then
    for preset in "${others[@]}"; do
      ctest --preset "$preset" </dev/null || status=1
    done
  else
    tail -n 40 "$log" >&2
    echo "test: the build of ${others[*]} failed: $log" >&2
    status=1
  fi
else
  # Which builds hold a selected test: configuring is enough to list them.
  tools/build.sh --configure x64 x86-tests fuzz
  chosen=()
  product=0
  skipped=0
  for preset in x64 x86-tests fuzz; do
    listing=$(ctest --preset "$preset" --show-only=json-v1 "$@" 2>/dev/null) || listing=""
    case "$listing" in *'"name"'*) ;; *) continue ;; esac
    # Tests of the 32-bit build that Wine can't run here are skipped unbuilt.
    [ "$preset" != x86-tests ] || [ "$wine32" = ok ] || { skipped=1; continue; }
    chosen+=("$preset")
    # A selected test that needs the product build (its REQUIRED_FILES).
    case "$listing" in *"\"$root/build/x86/"*) product=1 ;; esac
  done
  if [ ${#chosen[@]} -eq 0 ]; then
    if [ "$skipped" -eq 1 ]; then
      echo "test: only the 32-bit test build has a test that '$*' selects, and its tests" \
        "can't run here: $wine32" >&2
    else
      echo "test: no test build has a test that '$*' selects" >&2
    fi
    exit 1
  fi
  [ "$product" -eq 0 ] || tools/build.sh x86
  [ ${#chosen[@]} -eq 0 ] || tools/build.sh "${chosen[@]}"
  for preset in "${chosen[@]}"; do
    ctest --preset "$preset" "$@" </dev/null || status=1
  done
fi
if [ "$wine32" != ok ]; then
  echo "test: the x86 half was skipped: $wine32"
fi
echo "test: done at ${SECONDS} s"
exit "$status"

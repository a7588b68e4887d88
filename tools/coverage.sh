#!/usr/bin/env bash
# The coverage map: which lines of the product the x86-64 half of the tests
# reaches. Builds the coverage preset (build/coverage-x64: the x86-64 test
# build, the product's own code compiled with --coverage), runs its tests
# under Wine on a virtual display, and writes gcovr's report of the product's
# folders (not the tests, stand-ins or tools) into build/coverage:
# index.html with a page per file, and coverage.csv. Prints
#
#   coverage: lines N% branches M%
#
# for the product as a whole, then one such line per product folder (the
# percentages rounded down; branches without those of exception handling).
# Exits 1 when a test failed (the map is written all the same).
#
# Each Windows program writes its counts when it ends, into a .gcda file at
# its object's build path on the current drive (the stick's, for a launcher
# started there). The coverage test preset sets GCOV_PREFIX=Z: (Wine's drive
# of the Unix root), which sends them back into the build folder from every
# process that inherits the environment: the tests, and the launchers that
# they start from the sticks. A process that is killed writes none.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
quillon_on_display "$0" "$@"
cd "$root"
export CMAKE_BUILD_PARALLEL_LEVEL=${QUILLON_BUILD_JOBS:-$(nproc)}

folders=(launcher localization environment deploy service autostart userenv support)
build=build/coverage-x64
out=build/coverage

tools/setup.sh >/dev/null
mkdir -p build
log=build/coverage.build.log
tools/build.sh coverage >"$log" 2>&1 || {
  tail -n 40 "$log" >&2
  exit 1
}
# Counts of an earlier run would add up with this one's.
find "$build" -name '*.gcda' -delete
status=0
log=build/coverage.test.log
ctest --preset coverage </dev/null >"$log" 2>&1 || status=1
# ctest's closing lines (how many passed, which failed), or the end of its
# output when it didn't get that far.
if grep -q 'tests passed' "$log"; then
  sed -n '/tests passed/,$p' "$log"
else
  tail -n 20 "$log"
fi

rm -rf "$out"
mkdir -p "$out"
filter="($(
  IFS='|'
  echo "${folders[*]}"
))/"
# gcovr searches only the product's object folders: the build folder also
# holds the Wine prefix, whose drive Z: leads to the whole file system.
objects=("${folders[@]/#/$build/}" "$build/CMakeFiles/Quillon.dir")
gcovr --root . --object-directory "$build" --gcov-executable x86_64-w64-mingw32-gcov \
  --filter "$filter" --exclude-throw-branches --exclude-unreachable-branches -j "$(nproc)" \
  --html-details "$out/index.html" --html-title "Quillon: coverage of the x86-64 tests" \
  --csv "$out/coverage.csv" "${objects[@]}" >"$out/gcovr.log" 2>&1 || {
  cat "$out/gcovr.log" >&2
  exit 1
}

# coverage.csv: filename,line_total,line_covered,line_percent,branch_total,branch_covered,...
awk -F, -v order="${folders[*]}" '
  function pct(covered, total) { return total ? int(100 * covered / total) : 100 }
  function show(label, f) {
    printf "%s lines %d%% branches %d%%", label, pct(lc[f], lt[f]), pct(bc[f], bt[f])
  }
  NR > 1 {
    split($1, path, "/")
    lt[path[1]] += $2; lc[path[1]] += $3; bt[path[1]] += $5; bc[path[1]] += $6
    lt[""] += $2; lc[""] += $3; bt[""] += $5; bc[""] += $6
  }
  END {
    show("coverage:", ""); print ""
    n = split(order, names, " ")
    for (i = 1; i <= n; i++) {
      show(sprintf("  %-14s", names[i] "/"), names[i])
      printf "  (%d of %d lines)\n", lc[names[i]], lt[names[i]]
    }
  }' "$out/coverage.csv"
echo "map: $out/index.html"
exit "$status"

#!/usr/bin/env bash
# Runs each fuzz target (tests/fuzz: the service's replies, version texts,
# payload headers) for SECONDS seconds (default 60) on this host, from its
# seeds (tests/fuzz/corpus/<target>) and the working corpus that earlier runs
# left in build/fuzz/corpus/<target>, and prints per target the runs made, the
# size of the working corpus and the findings. A finding (an input that breaks
# the target) is kept in build/fuzz/findings/<target>/; the findings of an
# earlier run are removed first. Exits with 1 when anything was found.
#
#   tools/fuzz.sh [SECONDS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
case "$seconds" in
  '' | *[!0-9]*) echo "usage: tools/fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac
cd "$root"
tools/setup.sh >/dev/null
tools/build.sh fuzz >/dev/null

found_any=0
printf '%-16s %12s %8s %9s\n' target runs corpus findings
for program in build/fuzz/*_fuzz; do
  name=$(basename "$program" _fuzz)
  work=build/fuzz/corpus/$name
  findings=build/fuzz/findings/$name
  log=build/fuzz/$name.log
  rm -rf "$findings"
  mkdir -p "$work" "$findings"
  # A finding ends the run early with a non-zero status: the summary tells.
  "$program" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
    "$work" "tests/fuzz/corpus/$name" >"$log" 2>&1 || true
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  corpus=$(find "$work" -type f | wc -l)
  found=$(find "$findings" -type f | wc -l)
  [ "$found" -eq 0 ] || found_any=1
  printf '%-16s %12s %8s %9s\n' "$name" "${runs:-?}" "$corpus" "$found"
  if [ "$found" -ne 0 ]; then
    echo "  see $log and $findings/"
  fi
done
exit "$found_any"

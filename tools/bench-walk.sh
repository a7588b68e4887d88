#!/usr/bin/env bash
# Benchmark of the walk of the stick (not a test): a start of the launcher
# from an empty stick and from one of 100,000 files in 5,000 folders, against
# a bare walk of the same tree by a minimal FindFirstFileW program
# (walk_bench.exe, tools/bench) under Wine in the same run. It counts the
# walks that one start makes (the root's listings in Wine's file trace) and
# prints the medians and
#   target: start(large) <= start(empty) + 1.1 x bare walk, one walk per start.
#
#   tools/bench-walk.sh [RUNS]      (default 5 runs per stick after a warm-up)
#
# The starts use the x86-64 test build (build/x64) without any test switch:
# no service runs, so the gate lets Wine's administrator go on to the
# deployment and the viewer. Everything runs in a throwaway prefix.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
quillon_on_display "$0" "$@"
cd "$root"
runs=${1:-5}
tools/setup.sh >/dev/null
tools/build.sh x64 >/dev/null
walk=$(quillon_bench_program "$root/build/x64" walk_bench)
quillon_throwaway_prefix bench-walk

empty="$QUILLON_THROWAWAY/empty-stick"
large="$QUILLON_THROWAWAY/large-stick"
mkdir -p "$empty" "$large"
echo "bench-walk: making 100,000 files in 5,000 folders"
for d in $(seq 1 5000); do
  mkdir "$large/folder$d"
  (cd "$large/folder$d" && touch f01 f02 f03 f04 f05 f06 f07 f08 f09 f10 \
    f11 f12 f13 f14 f15 f16 f17 f18 f19 f20)
done
cp build/x64/Quillon.exe "$empty/Quillon.exe"
cp build/x64/Quillon.exe "$large/Quillon.exe"

now_ns() { date +%s%N; }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

# Milliseconds of one whole start from the stick on S:.
start_ms() {
  local t0
  t0=$(now_ns)
  wine 'S:\Quillon.exe' </dev/null >/dev/null 2>&1 || true
  echo $((($(now_ns) - t0) / 1000000))
}

# Walks of the stick in one start: its root's listings in Wine's file trace.
walks_per_start() {
  WINEDEBUG=trace+file wine 'S:\Quillon.exe' </dev/null 2>&1 >/dev/null |
    grep -c 'FindFirstFileExW L"S:\\\\\*\.\*"' || true
}

declare -A start walks
for stick in empty large; do
  folder=$empty
  [ "$stick" = large ] && folder=$large
  quillon_stick_map "$folder" s
  start_ms >/dev/null
  walks[$stick]=$(walks_per_start)
  figures=()
  for i in $(seq 1 "$runs"); do figures+=("$(start_ms)"); done
  start[$stick]=$(median "${figures[@]}")
  echo "bench-walk: $stick stick: starts ${figures[*]} ms, ${walks[$stick]} walk(s) per start"
done

# The bare walk of the large stick, as many times.
bare=()
wine "$walk" 'S:' </dev/null >/dev/null 2>&1
for i in $(seq 1 "$runs"); do
  line=$(wine "$walk" 'S:' </dev/null 2>/dev/null | tr -d '\r')
  bare+=("$(echo "$line" | sed -n 's/.*ms=\([0-9.]*\).*/\1/p')")
done
bare_ms=$(median "${bare[@]}")
echo "bench-walk: bare walks ${bare[*]} ms ($line)"

echo "== walk of the stick, medians of $runs runs"
echo "walks per start:         empty ${walks[empty]}, large ${walks[large]} (target 1)"
echo "start, empty stick:      ${start[empty]} ms"
echo "start, large stick:      ${start[large]} ms"
echo "bare walk, large stick:  $bare_ms ms"
awk -v l="${start[large]}" -v e="${start[empty]}" -v b="$bare_ms" 'BEGIN {
  printf "large - empty:           %.0f ms = %.2f x the bare walk (target <= 1.10)\n", l - e, (l - e) / b }'

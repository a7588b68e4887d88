#!/usr/bin/env bash
# Benchmark of the walk of the stick (not a test): a start of the launcher
# from an empty stick and from one of 100,000 files in 5,000 folders, against
# a bare walk of the same tree by a minimal FindFirstFileW program
# (walk_bench.exe, tools/bench) under Wine in the same run. It counts the
# walks that one start makes (the root's listings in Wine's file trace) and
# prints the medians (hyperfine times the starts) and
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
# The empty stick on E:, the large one on L:.
quillon_throwaway_prefix bench-walk e=empty-stick l=large-stick
empty="$QUILLON_THROWAWAY/empty-stick"
large="$QUILLON_THROWAWAY/large-stick"
echo "bench-walk: making 100,000 files in 5,000 folders"
for d in $(seq 1 5000); do
  mkdir "$large/folder$d"
  (cd "$large/folder$d" && touch f01 f02 f03 f04 f05 f06 f07 f08 f09 f10 \
    f11 f12 f13 f14 f15 f16 f17 f18 f19 f20)
done
cp build/x64/Quillon.exe "$empty/Quillon.exe"
cp build/x64/Quillon.exe "$large/Quillon.exe"

# Walks of the stick on drive $1 in one start: its root's listings in Wine's
# file trace.
walks_per_start() {
  WINEDEBUG=trace+file wine "$1:\\Quillon.exe" </dev/null 2>&1 >/dev/null |
    grep -c "FindFirstFileExW L\"$1:\\\\\\\\\*\.\*\"" || true
}

# Whole starts are plain processes: hyperfine times them (one warm-up), and
# its median counts.
declare -A start walks
for stick in empty large; do
  drive=$(printf '%s' "$stick" | cut -c1 | tr a-z A-Z)
  walks[$stick]=$(walks_per_start "$drive")
  hyperfine --style none --warmup 1 --runs "$runs" --export-csv "$QUILLON_THROWAWAY/$stick.csv" \
    "wine '$drive:\\Quillon.exe' </dev/null >/dev/null 2>&1 || true" >/dev/null
  start[$stick]=$(tail -n 1 "$QUILLON_THROWAWAY/$stick.csv" | cut -d, -f4)
  printf 'bench-walk: %s stick: median start %.3f s, %s walk(s) per start\n' "$stick" \
    "${start[$stick]}" "${walks[$stick]}"
done

# The bare walk of the large stick, as many times: its own time, without
# Wine's start (walk_bench measures it), and the median.
wine "$walk" 'L:' </dev/null >/dev/null 2>&1
for _ in $(seq 1 "$runs"); do
  wine "$walk" 'L:' </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/.*ms=\([0-9.]*\).*/\1/p'
done >"$QUILLON_THROWAWAY/bare.txt"
bare_ms=$(datamash median 1 <"$QUILLON_THROWAWAY/bare.txt")
echo "bench-walk: bare walks $(paste -sd' ' "$QUILLON_THROWAWAY/bare.txt") ms"

awk -v e="${start[empty]}" -v l="${start[large]}" -v b="$bare_ms" -v we="${walks[empty]}" \
    -v wl="${walks[large]}" -v runs="$runs" 'BEGIN {
  e *= 1000; l *= 1000
  printf "== walk of the stick, medians of %d runs\n", runs
  printf "walks per start:         empty %d, large %d (target 1)\n", we, wl
  printf "start, empty stick:      %.0f ms\n", e
  printf "start, large stick:      %.0f ms\n", l
  printf "bare walk, large stick:  %.0f ms\n", b
  printf "large - empty:           %.0f ms = %.2f x the bare walk (target <= 1.10)\n", l - e, (l - e) / b }'

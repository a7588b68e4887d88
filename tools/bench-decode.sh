#!/usr/bin/env bash
# Benchmark of the payload decoding (not a test). Makes a 16 MiB component of
# program-like data (PE files of the Wine installation, cut to size), packs it
# with the build's packer (<build>/packer), decodes it with DecodePayloadFile
# under Wine (decode_bench.exe of a test build) and with the host's xz, and
# prints both throughputs, their ratio and the growth of the decoding
# process's peak working set. xz is timed by hyperfine.
#
#   tools/bench-decode.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR is a test build (QUILLON_TESTS=ON, x86-64) with the target
# decode_bench built; default build/x64. Each decoder runs RUNS times
# (default 3); the fastest run counts. The decoding runs in a throwaway Wine
# prefix, never in the user's own.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/x64}" && pwd)
runs=${2:-3}
source "$root/tools/wine-env.sh"
bench=$(quillon_bench_program "$build" decode_bench)
quillon_throwaway_prefix bench-decode
work=$QUILLON_THROWAWAY
size=16777216

# Program-like data: real PE files, in a fixed order, repeated when short.
pe_dir=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
files=$(find "$pe_dir" -maxdepth 1 -type f \( -name '*.dll' -o -name '*.exe' \) | sort)
if [ -z "$files" ]; then
  echo "bench-decode: no PE files found in $pe_dir" >&2
  exit 1
fi
: >"$work/component.bin"
while [ "$(wc -c <"$work/component.bin")" -lt $size ]; do
  # shellcheck disable=SC2086
  cat $files | head -c $size >>"$work/component.bin"
done
head -c $size "$work/component.bin" >"$work/component.cut" && mv "$work/component.cut" "$work/component.bin"

"$build/packer/pack_payload" "$work/component.bin" "$work/component.lzma"
packed=$(wc -c <"$work/component.lzma")

stream_w=$(winepath -w "$work/component.lzma")
output_w=$(winepath -w "$work/decoded.bin")

# Ours: the decoding's own time inside the process (decode_bench measures
# it, without Wine's start), and the peak working set's growth, of each run;
# the fastest run counts.
runs_file="$work/ours.txt"
: >"$runs_file"
for _ in $(seq 1 "$runs"); do
  rm -f "$work/decoded.bin"
  line=$(wine "$bench" "$stream_w" "$output_w" | tr -d '\r')
  seconds=$(echo "$line" | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')
  growth=$(echo "$line" | sed -n 's/.*peak_growth=\([0-9]*\).*/\1/p')
  if [ -z "$seconds" ] || ! cmp -s "$work/decoded.bin" "$work/component.bin"; then
    echo "bench-decode: decode_bench failed or wrote different data: $line" >&2
    exit 1
  fi
  echo "$seconds $growth" >>"$runs_file"
done
read -r best_ours best_growth < <(sort -g "$runs_file" | head -n 1)

# xz: a plain process, timed by hyperfine; its fastest run.
hyperfine --style none --runs "$runs" --export-csv "$work/xz.csv" \
  "xz --format=lzma -dc '$work/component.lzma' >'$work/decoded_xz.bin'" >/dev/null
cmp -s "$work/decoded_xz.bin" "$work/component.bin" || {
  echo "bench-decode: xz wrote different data" >&2
  exit 1
}
best_xz=$(tail -n 1 "$work/xz.csv" | cut -d, -f7)

awk -v size=$size -v packed="$packed" -v ours="$best_ours" -v xz="$best_xz" -v growth="$best_growth" '
  BEGIN {
    mib = size / 1048576
    printf "component: %d bytes of PE files, packed to %d bytes (dictionary 16 MiB)\n", size, packed
    printf "DecodePayloadFile (Wine): %.3f s, %.1f MiB/s\n", ours, mib / ours
    printf "xz --format=lzma -d     : %.3f s, %.1f MiB/s\n", xz, mib / xz
    printf "throughput ratio        : %.2f (target >= 0.90)\n", xz / ours
    printf "peak working set growth : %.1f MiB (target < 24 MiB)\n", growth / 1048576
  }'

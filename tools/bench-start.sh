#!/usr/bin/env bash
# Benchmark of a whole start: from the launcher's process start until the
# viewer records its own start, with a component set as large as the
# product's (the viewer 15,367,586 bytes, the other components of realistic
# sizes). The same run measures what such a start can't avoid: the host's
# xz decoding the same payload streams, and a bare Wine process start. The
# start takes the whole road, the pre-launch gate included: a stand-in of the
# background service answers on its pipe (service_standin.exe of the x86-64
# test build) and the installed service program is current. It prints the
# figures, where the time goes (from the written files' times), and
#   floor = sum of xz decode times + 2 x bare Wine start (the launcher's and
#           the viewer's) + the 100 ms that the shortcut's loop sleeps after
#           a successful save
#   ratio = start time / floor        (target <= 1.10; slowest <= 1.5 x median)
#
#   tools/bench-start.sh [RUNS]     (default 7 measured runs after one warm-up)
#   QUILLON_BENCH_BUILD_TYPE=...    CMake build type of the bench build (default
#                                   Release; empty: no optimisation flags)
#
# The launcher is built in build/bench (x86-64, without tests: Wine here may
# lack its 32-bit part) with QUILLON_COMPONENTS_DIR pointing at generated
# components: each stand-in component of the normal build, padded to its size
# with program-like bytes (Wine's own PE libraries). Padding after the PE image
# is never loaded, so the programs still run and the version blocks still read.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-7}
bench="$root/build/bench"
components="$bench/big-components"
stick="$bench/stick"
jobs=${QUILLON_BUILD_JOBS:-2}
build_type=${QUILLON_BENCH_BUILD_TYPE-Release}

# The build's table of payloads (cmake/payloads.cmake): resource name|component
# file, as laid out in the components folder.
mapfile -t payload_table < <(sed -n '/^set(quillon_payload_table$/,/^)$/s/^  "\(.*|.*\)"$/\1/p' \
  cmake/payloads.cmake)
if [ ${#payload_table[@]} -eq 0 ]; then
  echo "bench: no payload table in cmake/payloads.cmake" >&2
  exit 1
fi
# The size in bytes of each component file.
declare -A sizes=(
  [Portico.exe]=15367586
  [hostrelay.exe]=1250000
  [Uplift_Online.exe]=2600000
  [OstrelVT3.dll]=650000
  [OstrelVT3_x64.dll]=820000
  [ostrelvtex_x64.exe]=310000
  [hostcareprocess.exe]=420000
  [EjectProbeVT.exe]=150000
  [EjectLatchVT32.dll]=85000
  [EjectLatchVT64.dll]=105000
  [EjectLatchStartVT32.exe]=62000
  [EjectLatchStartVT64.exe]=75000
  [x86/OstrelVT6.sys]=240000
  [x64/OstrelVT6.sys]=290000
  [x86/OstrelXM2.sys]=110000
  [x64/OstrelXM2.sys]=130000
  [x86/Plexfold1.sys]=90000
  [x64/Plexfold1.sys]=105000
  [x86/Plexfold1.exe]=180000
  [x64/Plexfold1.exe]=210000
)

tools/setup.sh >/dev/null
# The service stand-in and the installed service program come from the test build.
tools/build.sh x64 >/dev/null

configure() {
  cmake -S "$root" -B "$bench" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    -DQUILLON_TESTS=OFF -DCMAKE_BUILD_TYPE="$build_type" "$@" >"$bench.configure.log" 2>&1 || {
    cat "$bench.configure.log" >&2
    return 1
  }
}

# 1. The stand-ins, built once without a components folder.
mkdir -p "$bench"
echo "bench: building the stand-ins (build/bench)"
configure -DQUILLON_COMPONENTS_DIR=
cmake --build "$bench" -j "$jobs" --target quillon_standin_components >/dev/null

# 2. The large component set: each stand-in padded with program-like bytes,
# taken at a different place of the pool for every file.
pool="$bench/program-pool.bin"
if [ ! -s "$pool" ]; then
  # head ends the pipe early on purpose: no pipefail here.
  (set +o pipefail
    find /usr/lib/x86_64-linux-gnu/wine/x86_64-windows -name '*.dll' -size +200k | sort |
      head -n 120 | xargs cat 2>/dev/null | head -c 40000000 >"$pool")
fi
pool_size=$(stat -c %s "$pool")
offset=0
for row in "${payload_table[@]}"; do
  file=${row#*|}
  size=${sizes[$file]:-}
  if [ -z "$size" ]; then
    echo "bench: no size for the component $file" >&2
    exit 1
  fi
  src="$bench/components/$file"
  dst="$components/$file"
  mkdir -p "$(dirname "$dst")"
  have=$(stat -c %s "$src")
  pad=$((size - have))
  if [ "$pad" -lt 0 ]; then
    echo "bench: $file stand-in is larger than $size bytes" >&2
    exit 1
  fi
  if [ $((offset + pad)) -gt "$pool_size" ]; then offset=0; fi
  { cat "$src"
    dd if="$pool" iflag=skip_bytes,count_bytes skip="$offset" count="$pad" bs=1M status=none
  } >"$dst.tmp"
  if ! cmp -s "$dst.tmp" "$dst" 2>/dev/null; then mv "$dst.tmp" "$dst"; else rm "$dst.tmp"; fi
  offset=$((offset + pad))
done

# 3. The launcher with that set embedded.
echo "bench: building the launcher with the large components"
configure -DQUILLON_COMPONENTS_DIR="$components"
cmake --build "$bench" -j "$jobs" --target Quillon >/dev/null

# 4. A fresh prefix and a stick with the launcher. Wine starts its menu
# builder for every shortcut saved; that helper, which Windows doesn't have,
# keeps windows that don't answer for a few seconds, and the next start's
# environment broadcast (5000 ms per window) would wait for them. It is off.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
source tools/wine-env.sh
trap quillon_wine_stop EXIT
quillon_xvfb_start
quillon_wine_prefix_create "$bench/wine"
rm -rf "$stick" && mkdir -p "$stick/.cfg"
cp "$bench/Quillon.exe" "$stick/Quillon.exe"
printf '[Quillon]\r\nVersion_check=Disable\r\n' >"$stick/.cfg/Setting.ini"
quillon_stick_map "$stick" s
data_win=$(wine cmd /c echo '%LOCALAPPDATA%\Vaultine' </dev/null 2>/dev/null | tr -d '\r')
data=$(winepath -u "$data_win" 2>/dev/null)

# A ready service: the installed program, current, and a server on its pipe.
program_files=$(winepath -u 'C:\Program Files' 2>/dev/null)
mkdir -p "$program_files/TORVA/Swiftgate"
cp "$root/build/x64/service_programs/7_0_0_24/OstrelVTService.exe" "$program_files/TORVA/Swiftgate/"
wine "$root/build/x64/service_standin.exe" --reply ok --conversations 100000 \
  </dev/null >/dev/null 2>&1 &
sleep 1
bare="$bench/bare"
rm -rf "$bare" && mkdir -p "$bare"
cp "$bench/Portico.exe" "$bare/Portico.exe"

now_ns() { date +%s%N; }

# Milliseconds from |start_ns| to the time that the first line of |record|
# carries (the viewer stand-in writes its local time with milliseconds), so
# that the polling here, which starts once the launcher has ended, costs the
# measured programs nothing. Waits for the line at most 60 s.
record_ms() {
  local record=$1 start_ns=$2 i line stamp
  for i in $(seq 1 600); do
    if [ -s "$record" ] && line=$(head -n 1 "$record") && [ "${line%$'\r'}" != "$line" ]; then
      stamp=$(printf '%s' "$line" | tr -d '\r' | awk -F'\t' '{print $3}')
      echo $((($(date -d "$stamp" +%s%N) - start_ns) / 1000000))
      return 0
    fi
    sleep 0.1
  done
  echo "bench: no record in $record" >&2
  return 1
}

# One whole start from an empty data folder; where its time went is kept in
# $bench/last-breakdown.
start_once() {
  rm -rf "$data"
  local t0 ms
  t0=$(now_ns)
  wine 'S:\Quillon.exe' </dev/null >/dev/null 2>&1 || true
  ms=$(record_ms "$data/Portico.record.txt" "$t0")
  breakdown "$t0" >"$bench/last-breakdown"
  echo "$ms"
}

# The written files in the order of their times, each with its milliseconds
# since the launcher's start and since the file before it.
breakdown() {
  local t0_ms=$(($1 / 1000000))
  find "$data" -type f ! -name 'Portico.record.txt' -printf '%T@ %P\n' | sort -n |
    awk -v t0="$t0_ms" '{ t = $1 * 1000; printf "  %-34s at %6.0f ms, +%5.0f ms\n", $2, t - t0, t - (NR > 1 ? p : t0); p = t }'
}

# One bare start of the viewer stand-in, to its record.
bare_once() {
  rm -f "$bare/Portico.record.txt"
  local t0
  t0=$(now_ns)
  wine "$bare/Portico.exe" </dev/null >/dev/null 2>&1 || true
  record_ms "$bare/Portico.record.txt" "$t0"
}

# Sum over the 64-bit streams of the host's decoding into files.
xz_once() {
  local out="$bench/xz-out" total=0 s t0 t1
  rm -rf "$out" && mkdir -p "$out"
  for s in "${streams64[@]}"; do
    t0=$(now_ns)
    xz --format=lzma -d -c "$bench/payloads/$s.lzma" >"$out/$s"
    t1=$(now_ns)
    total=$((total + (t1 - t0) / 1000))
  done
  echo $((total / 1000))
}

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

echo "bench: warm-up"
start_once >/dev/null
# The payload streams that a start decodes (on 64-bit Windows, one per row):
# those whose component the warm-up start wrote.
streams64=()
for row in "${payload_table[@]}"; do
  file=${row#*|}
  while IFS= read -r -d '' written; do
    if cmp -s "$components/$file" "$written"; then
      streams64+=("$(printf '%s' "${row%%|*}" | tr 'a-z' 'A-Z')")
      break
    fi
  done < <(find "$data" -type f -name "$(basename "$file")" -print0)
done
if [ ${#streams64[@]} -eq 0 ]; then
  echo "bench: the warm-up start wrote no component" >&2
  exit 1
fi
bare_once >/dev/null
xz_once >/dev/null

starts=() bares=() xzs=()
for i in $(seq 1 "$runs"); do
  starts+=("$(start_once)")
  [ "$i" = 1 ] && cp "$bench/last-breakdown" "$bench/first-breakdown"
  bares+=("$(bare_once)")
  xzs+=("$(xz_once)")
  echo "bench: run $i: start ${starts[-1]} ms, bare Wine start ${bares[-1]} ms, xz ${xzs[-1]} ms"
done

start_ms=$(median "${starts[@]}")
bare_ms=$(median "${bares[@]}")
xz_ms=$(median "${xzs[@]}")
payload_bytes=0
for s in "${streams64[@]}"; do
  payload_bytes=$((payload_bytes + $(stat -c %s "$bench/payloads/$s.lzma")))
done
deployed_bytes=$(find "$data" -type f ! -name 'Portico.record.txt' ! -name '*.lnk' -printf '%s\n' |
  awk '{s += $1} END {print s}')
echo "== whole start, medians of $runs runs"
echo "components written:      $deployed_bytes bytes from $payload_bytes bytes of payload streams"
echo "start to viewer record:  $start_ms ms"
echo "xz decode (${#streams64[@]} streams):  $xz_ms ms"
echo "bare Wine start:         $bare_ms ms"
slowest_ms=$(printf '%s\n' "${starts[@]}" | sort -n | tail -n 1)
echo "slowest start:           $slowest_ms ms"
awk -v s="$start_ms" -v x="$xz_ms" -v b="$bare_ms" -v w="$slowest_ms" 'BEGIN {
  floor = x + 2 * b + 100
  printf "floor:                   %.0f ms (xz + 2 x bare start + 100 ms)\n", floor
  printf "ratio:                   %.2f (target <= 1.10)\n", s / floor
  printf "slowest / median:        %.2f (target <= 1.5)\n", w / s }'
echo "where the time went (first measured start):"
cat "$bench/first-breakdown"

#!/usr/bin/env bash
# Benchmark of a whole start: from the launcher's process start until the
# viewer records its own start, with a component set as large as the
# product's (the viewer 15,367,586 bytes, the other components of realistic
# sizes), against two floors measured in the same run, each run of the start
# beside one of each floor:
#   floor = a start of start_floor.exe (tools/bench/start_floor):
#           the same payload resources written with the deployment's file
#           operations alone, in the plan's order (the compressed stream to
#           the target, the temporary file in the data folder, the decoding
#           into it in 64 KiB blocks, the copy over the target, its deletion,
#           the shell's notification), then the shortcut saved, the 100 ms
#           pause and the viewer started through the shortcut; measured the
#           same way, from its process start to the viewer's record
#   old floor = sum of the host's xz decode times of the same streams
#           + 2 x bare Wine start (the launcher's and the viewer's) + 100 ms
# The start takes the whole road, the pre-launch gate included: a stand-in of
# the background service answers on its pipe (service_standin.exe of the
# x86-64 test build) and the installed service program is current. It prints
# the medians, the ratios, the slowest run, and per component the time that
# the start and the floor spent on it (from the written files' times).
#   ratio = start / floor   (target <= 1.05; slowest <= 1.5 x median)
#
#   tools/bench-start.sh [RUNS]     (default 9 measured runs after one warm-up)
#   QUILLON_BENCH_BUILD_TYPE=...    CMake build type of the bench builds (default
#                                   Release; empty: no optimisation flags)
#
# The launcher is the shipped program's configuration (cmake/mingw-i686.cmake,
# no tests, as a release takes it) where this Wine runs 32-bit programs
# (the probe of tools/test.sh decides), else the x86-64 configuration; it is
# built in build/bench/x86 or build/bench/x64 with QUILLON_COMPONENTS_DIR
# pointing at generated components: each stand-in component of that build,
# padded to its size with program-like bytes (Wine's own PE libraries).
# Padding after the PE image is never loaded, so the programs still run and
# the version blocks still read. start_floor.exe is built in the same folder,
# with the same payloads.
set -euo pipefail
# join, sort and datamash agree on the order of names.
export LC_ALL=C

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
quillon_on_display "$0" "$@"
cd "$root"
runs=${1:-9}
bench="$root/build/bench"
stick="$bench/stick"
floor_dir="$bench/floor"
jobs=${QUILLON_BUILD_JOBS:-2}
build_type=${QUILLON_BENCH_BUILD_TYPE-Release}

tools/setup.sh >/dev/null
# The service stand-in and the installed service program come from the test build.
tools/build.sh x64 >/dev/null

# 1. A fresh prefix (without Wine's desktop-menu builder, whose windows would
# stall the environment broadcast: tools/wine-env.sh), the stick on S:.
trap quillon_wine_stop EXIT
mkdir -p "$bench"
quillon_wine_prefix_create "$bench/wine" "s=$stick"

# 2. The bitness: the shipped 32-bit program where this Wine runs it.
if reason=$(quillon_wine32_check); then
  arch=x86
  arch_text="32-bit, the shipped program's configuration (the preset x86)"
else
  arch=x64
  arch_text="x86-64 ($reason)"
fi
build="$bench/$arch"
components="$build/big-components"
echo "bench: launcher: $arch_text, in build/bench/$arch"

configure() {
  cmake --preset "$arch" -B "$build" -DQUILLON_TESTS=OFF -DCMAKE_BUILD_TYPE="$build_type" "$@" >"$build.configure.log" 2>&1 || {
    cat "$build.configure.log" >&2
    return 1
  }
}

# 3. The stand-ins, built once without a components folder.
echo "bench: building the stand-ins"
configure -DQUILLON_COMPONENTS_DIR=
cmake --build "$build" -j "$jobs" --target quillon_standin_components >/dev/null

# 4. The large component set: each stand-in padded to its shipped size (the
# build's listing of the payloads, from deploy/components.def) with
# program-like bytes, taken at a different place of the pool for every file.
listing="$build/payloads/components.txt"
pool="$bench/program-pool.bin"
if [ ! -s "$pool" ]; then
  # head ends the pipe early on purpose: no pipefail here.
  (set +o pipefail
    find /usr/lib/x86_64-linux-gnu/wine/x86_64-windows -name '*.dll' -size +200k | sort |
      head -n 120 | xargs cat 2>/dev/null | head -c 40000000 >"$pool")
fi
pool_size=$(stat -c %s "$pool")
offset=0
while read -r _ file size; do
  src="$build/components/$file"
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
done <"$listing"

# 5. The launcher and the floor with that set embedded.
echo "bench: building the launcher and the floor with the large components"
configure -DQUILLON_COMPONENTS_DIR="$components"
cmake --build "$build" -j "$jobs" --target Quillon start_floor >/dev/null

# 6. A stick with the launcher, the floor beside it (off the stick, whose
# walk it would lengthen).
rm -rf "$stick" "$floor_dir" && mkdir -p "$stick/.cfg" "$floor_dir"
cp "$build/Quillon.exe" "$stick/Quillon.exe"
cp "$build/start_floor.exe" "$floor_dir/start_floor.exe"
printf '[Quillon]\r\nVersion_check=Disable\r\n' >"$stick/.cfg/Setting.ini"
data_win=$(wine cmd /c echo '%LOCALAPPDATA%\Vaultine' </dev/null 2>/dev/null | tr -d '\r')
data=$(winepath -u "$data_win" 2>/dev/null)
floor_win=$(winepath -w "$floor_dir/start_floor.exe" 2>/dev/null)

# A ready service: the installed program, current, in the Program Files folder
# that the launcher's bitness sees, and a server on its pipe.
for pf in 'C:\Program Files' 'C:\Program Files (x86)'; do
  [ "$arch" = x64 ] && [ "$pf" != 'C:\Program Files' ] && continue
  program_files=$(winepath -u "$pf" 2>/dev/null)
  mkdir -p "$program_files/TORVA/Swiftgate"
  cp "$root/build/x64/service_programs/7_0_0_24/OstrelVTService.exe" "$program_files/TORVA/Swiftgate/"
done
wine "$root/build/x64/service_standin.exe" --reply ok --conversations 100000 \
  </dev/null >/dev/null 2>&1 &
sleep 1
bare="$bench/bare"
rm -rf "$bare" && mkdir -p "$bare"
cp "$build/Portico.exe" "$bare/Portico.exe"

# Milliseconds from |start_ns| to the time that the first line of |record|
# carries (the viewer stand-in writes its local time with milliseconds), so
# that the polling here, which starts once the program has ended, costs the
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

# The written files in the order of their times, each as "FILE MS" with its
# milliseconds since |t0_ns|.
file_times() {
  local t0_ms=$(($1 / 1000000))
  find "$data" -type f ! -name 'Portico.record.txt' -printf '%T@ %P\n' | sort -n |
    awk -v t0="$t0_ms" '{ printf "%s %.1f\n", $2, $1 * 1000 - t0 }'
}

# One start of |program| (launcher or floor) from an empty data folder, to
# the viewer's record; prints its milliseconds. The written files' times go
# to $bench/times/KIND.RUN.
start_once() {
  local kind=$1 program=$2 run=$3 t0 ms
  rm -rf "$data"
  rm -f "$floor_dir/start_floor.times.txt"
  t0=$(date +%s%N)
  wine "$program" </dev/null >/dev/null 2>&1 || true
  ms=$(record_ms "$data/Portico.record.txt" "$t0")
  { file_times "$t0"; echo "viewer-record $ms"; } >"$bench/times/$kind.$run"
  if [ "$kind" = floor ] && [ -s "$floor_dir/start_floor.times.txt" ]; then
    # The floor's own step times (FILETIME: 100 ns since 1601).
    tr -d '\r' <"$floor_dir/start_floor.times.txt" | awk -v t0="$t0" \
      '{ printf "%s %.1f\n", $1, ($2 / 10000 - 11644473600000) - t0 / 1000000 }' \
      >"$bench/times/floor-steps.$run"
  fi
  echo "$ms"
}

# The streams that a start decodes, decoded by the host's xz into files, as
# one command for hyperfine.
xz_command() {
  local s
  printf 'rm -rf %q && mkdir -p %q' "$bench/xz-out" "$bench/xz-out"
  for s in "${streams[@]}"; do
    printf ' && xz --format=lzma -d -c %q >%q' "$build/payloads/$s.lzma" "$bench/xz-out/$s"
  done
}

# The files of the data folder with their sums, the viewer's record and the
# shortcut aside (the shortcut carries the program's path).
data_listing() {
  (cd "$data" && find . -type f ! -name 'Portico.record.txt' ! -name '*.lnk' -print0 | sort -z |
    xargs -0 sha256sum)
}

rm -rf "$bench/times" && mkdir -p "$bench/times"
echo "bench: warm-up"
start_once start 'S:\Quillon.exe' 0 >/dev/null
launcher_files=$(data_listing)
# The payload streams that a start decodes (one per row of its bitness):
# those whose component the warm-up start wrote.
streams=()
while read -r resource file _; do
  while IFS= read -r -d '' written; do
    if cmp -s "$components/$file" "$written"; then
      streams+=("$(printf '%s' "$resource" | tr 'a-z' 'A-Z')")
      break
    fi
  done < <(find "$data" -type f -name "$(basename "$file")" -print0)
done <"$listing"
if [ ${#streams[@]} -eq 0 ]; then
  echo "bench: the warm-up start wrote no component" >&2
  exit 1
fi
start_once floor "$floor_win" 0 >/dev/null
if [ "$(data_listing)" != "$launcher_files" ]; then
  echo "bench: the floor didn't write the files that the launcher writes:" >&2
  diff <(echo "$launcher_files") <(data_listing) >&2 || true
  exit 1
fi

# Each run: the start and the floor one after the other (in turns, which goes
# first), so that the machine's load falls on both alike.
starts=() floors=()
for i in $(seq 1 "$runs"); do
  # A run whose viewer never wrote its record has no time: the benchmark stops.
  for kind in $([ $((i % 2)) = 1 ] && echo start floor || echo floor start); do
    if [ "$kind" = start ]; then
      ms=$(start_once start 'S:\Quillon.exe' "$i") && [ -n "$ms" ] || exit 1
      starts+=("$ms")
    else
      ms=$(start_once floor "$floor_win" "$i") && [ -n "$ms" ] || exit 1
      floors+=("$ms")
    fi
  done
  echo "bench: run $i: start ${starts[-1]} ms, floor ${floors[-1]} ms"
done
# The plain processes, timed by hyperfine: a bare start of the viewer
# stand-in (it ends once it has written its record), and the host's xz
# decoding of the same streams.
hyperfine --style none --warmup 1 --runs "$runs" --export-csv "$bench/plain.csv" \
  -n bare "wine '$(winepath -w "$bare/Portico.exe" 2>/dev/null)' </dev/null >/dev/null 2>&1 || true" \
  -n xz "$(xz_command)" >/dev/null
plain_ms() { awk -F, -v n="$1" '$1 == n { printf "%.0f", $4 * 1000 }' "$bench/plain.csv"; }
bare_ms=$(plain_ms bare)
xz_ms=$(plain_ms xz)

start_ms=$(printf '%s\n' "${starts[@]}" | datamash median 1)
floor_ms=$(printf '%s\n' "${floors[@]}" | datamash median 1)
payload_bytes=0
for s in "${streams[@]}"; do
  payload_bytes=$((payload_bytes + $(stat -c %s "$build/payloads/$s.lzma")))
done
deployed_bytes=$(find "$data" -type f ! -name 'Portico.record.txt' ! -name '*.lnk' -printf '%s\n' |
  awk '{s += $1} END {print s}')
slowest_ms=$(printf '%s\n' "${starts[@]}" | sort -n | tail -n 1)
ratios=$(for i in $(seq 0 $((runs - 1))); do
  awk -v s="${starts[$i]}" -v f="${floors[$i]}" 'BEGIN { printf "%.2f\n", s / f }'; done |
  sort -n | tr '\n' ' ')
echo "== whole start, medians of $runs runs; launcher: $arch_text"
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "components written:      $deployed_bytes bytes from $payload_bytes bytes of payload streams (${#streams[@]} streams)"
echo "start to viewer record:  $start_ms ms (slowest $slowest_ms ms)"
echo "floor:                   $floor_ms ms (start_floor.exe to viewer record)"
echo "xz decode:               $xz_ms ms"
echo "bare Wine start:         $bare_ms ms"
awk -v s="$start_ms" -v f="$floor_ms" -v x="$xz_ms" -v b="$bare_ms" -v w="$slowest_ms" 'BEGIN {
  old = x + 2 * b + 100
  printf "old floor:               %.0f ms (xz + 2 x bare start + 100 ms)\n", old
  printf "start / floor: %.3f (target <= 1.05)\n", s / f
  printf "start / old floor:       %.2f\n", s / old
  printf "slowest / median start:  %.2f (target <= 1.5)\n", w / s }'
echo "start / floor per run:   $ratios"

# Per component: the milliseconds from the file before it (the first: from
# the process start), medians over the runs (not the warm-up's), for the
# start and the floor, in the order of a start's files.
deltas() {
  for f in "$bench/times/$1".[1-9]*; do
    awk '{ print $1, $2 - prev; prev = $2 }' "$f"
  done | datamash -W -s -g 1 median 2
}
echo "per component (ms since the file before; the first since the process start; medians):"
printf '  %-34s %8s %8s %8s\n' file start floor extra
join -a 1 <(deltas start) <(deltas floor) |
  awk 'NR == FNR { order[$1] = FNR; next } { print order[$1], $0 }' "$bench/times/start.1" - |
  sort -n | awk '{ printf "  %-34s %8.1f %8.1f %+8.1f\n", $2, $3, $4, $3 - $4 }'
echo "the floor's own steps (ms since its process start was asked for; medians):"
cat "$bench/times"/floor-steps.[1-9]* | datamash -W -s -g 1 median 2 |
  awk 'NR == FNR { order[$1] = FNR; next } { print order[$1], $0 }' "$bench/times/floor-steps.1" - |
  sort -n | awk '{ printf "  %-34s %8.1f\n", $2, $3 }'

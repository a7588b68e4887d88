#!/usr/bin/env bash
# Benchmark of the service probe (not a test): the time of ProbeServiceState
# with no server, with a ready server and with a server whose pipe is busy
# for 1 s, against a minimal client that makes the same conversations
# (connect, write, read, close) on the same pipe in the same run
# (service_bench.exe of a test build, tools/bench), and against that client
# with the probe's check of the installed program file between its two
# conversations. Prints the medians, the ratios, each half of the ready probe
# (presence with the check; the version conversation) against the minimal
# client's, the slowest ready run of each client with the busy answers that
# its pipe gave and why it took its time, and the time the probe adds to a
# start when no service runs.
#
#   tools/bench-service.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR is a test build (QUILLON_TESTS=ON) with the target service_bench
# built; default build/x86-tests (the launcher's own bitness) where Wine runs
# 32-bit programs, build/x64 elsewhere. The output says which bitness ran.
# Each client runs RUNS times per case (default 25). The benchmark runs in a
# throwaway Wine prefix, never in the user's own.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
runs=${2:-25}
source "$root/tools/wine-env.sh"
quillon_throwaway_prefix bench-service
# By default the launcher's own bitness where Wine runs 32-bit programs.
if [ -n "${1:-}" ]; then
  build=$(cd "$1" && pwd)
elif quillon_wine32_check >/dev/null; then
  build="$root/build/x86-tests"
else
  build="$root/build/x64"
fi
bench=$(quillon_bench_program "$build" service_bench)
case "$(x86_64-w64-mingw32-objdump -f "$bench" 2>/dev/null)" in
  *pei-i386*) bitness=32-bit ;;
  *pei-x86-64*) bitness=x86-64 ;;
  *) bitness="unknown bitness" ;;
esac

output=$(wine "$bench" "$runs" </dev/null | tr -d '\r')
# field CASE CLIENT NAME: the figure NAME (median_ms, max_ms) of one line.
field() {
  echo "$output" | awk -v c="case=$1" -v k="client=$2" -v f="$3=" \
    '$1 == c && $2 == k { for (i = 3; i <= NF; i++) if (index($i, f) == 1) print substr($i, length(f) + 1) }'
}
median() { field "$1" "$2" median_ms; }
printf 'build: %s (%s), %s runs per client and case; machine: %s cores, load average %s\n' \
  "$build" "$bitness" "$runs" "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-6s %10s %11s %8s %19s %7s\n' case probe_ms minimal_ms ratio minimal+check_ms ratio
for c in none ready busy; do
  probe=$(median "$c" probe)
  minimal=$(median "$c" minimal)
  checked=$(median "$c" 'minimal+check')
  if [ -z "$probe" ] || [ -z "$minimal" ] || [ -z "$checked" ]; then
    echo "bench-service: service_bench failed:" >&2
    echo "$output" >&2
    exit 1
  fi
  awk -v c="$c" -v p="$probe" -v m="$minimal" -v k="$checked" \
    'BEGIN { printf "%-6s %10.3f %11.3f %8.2f %19.3f %7.2f\n", c, p, m, p / m, k, p / k }'
done
# Where the ready probe's time goes: each half against the minimal client's.
for h in presence version; do
  p=$(median "ready_$h" probe)
  m=$(median "ready_$h" 'minimal+check')
  printf 'ready, %-8s half: probe %.3f ms, minimal+check %.3f ms, difference %+.3f ms\n' \
    "$h" "$p" "$m" "$(awk -v p="$p" -v m="$m" 'BEGIN { print p - m }')"
done
printf 'program file check alone (part of the ready and busy probes): %.3f ms\n' \
  "$(median program_check probe)"
# The slowest ready probe, and why: a second connection that comes while the
# server is still listening anew finds the pipe busy, and the probe sleeps its
# 100 ms step (where the minimal client's WaitNamedPipeW returns at once).
for k in probe minimal 'minimal+check'; do
  slowest=$(field ready "$k" max_ms)
  busy=$(field ready "$k" slowest_busy)
  printf 'slowest ready %-13s %8.3f ms, %s busy answer(s) in that run; runs with a busy pipe: %s of %s\n' \
    "$k:" "$slowest" "$busy" "$(field ready "$k" busy_runs)" "$runs"
done
busy=$(field ready probe slowest_busy)
if [ "$busy" -gt 0 ]; then
  echo "  the slowest probe found the pipe busy $busy time(s) when it opened it again for the"
  echo "  version check (the server not yet listening anew) and slept 100 ms after each answer"
else
  echo "  the slowest probe never found the pipe busy: its time is the machine's (load average" \
    "$(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores)"
fi
printf 'targets: ratio <= 1.10; no server adds under 5 ms to a start (here %.3f ms)\n' \
  "$(median none probe)"

#!/usr/bin/env bash
# Configures and builds CMakePresets.json's builds, quietly (the configure
# step's output goes to build/PRESET.configure.log, shown when it fails):
# build/x86 is the product (32-bit Quillon.exe, no test seams); build/x86-tests
# and build/x64 are the test builds for i686 and x86-64, each with the tests
# and the stand-ins; build/fuzz holds the fuzz targets, built for this host.
# All are incremental.
#
#   tools/build.sh [PRESET...]    (default: x86 x86-tests x64)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
export CMAKE_BUILD_PARALLEL_LEVEL=${QUILLON_BUILD_JOBS:-$(nproc)}
mkdir -p build
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(x86 x86-tests x64)
for preset in "${presets[@]}"; do
  # A folder that another generator made (make, before the builds moved to
  # Ninja) can't be configured again: it is made anew.
  dir=$(sed -n "s|^ *\"binaryDir\": \"\${sourceDir}/\(build/$preset\)\",|\1|p" CMakePresets.json)
  if [ -n "$dir" ] && [ -f "$dir/CMakeCache.txt" ] &&
     ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$dir/CMakeCache.txt"; then
    echo "build: $dir was made by another generator; making it anew with Ninja"
    rm -rf "$dir"
  fi
  log="build/$preset.configure.log"
  cmake --preset "$preset" >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
  cmake --build --preset "$preset"
done

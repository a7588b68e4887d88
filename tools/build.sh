#!/usr/bin/env bash
# Configures and builds CMakePresets.json's builds, quietly (the configure
# step's output goes to build/PRESET.configure.log, shown when it fails):
# build/x86 is the product (32-bit Quillon.exe, no test seams); build/x86-tests
# and build/x64 are the test builds for i686 and x86-64, each with the tests
# and the stand-ins; build/fuzz holds the fuzz targets, built for this host.
# All are incremental.
#
#   tools/build.sh [--configure] [PRESET...]   (default: x86 x86-tests x64;
#                                               --configure: no build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
export CMAKE_BUILD_PARALLEL_LEVEL=${QUILLON_BUILD_JOBS:-$(nproc)}
configure_only=0
[ "${1:-}" = --configure ] && configure_only=1 && shift
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(x86 x86-tests x64)
mkdir -p build
for preset in "${presets[@]}"; do
  # A folder that make made, before the builds moved to Ninja, can't be
  # configured for Ninja: it is made anew.
  dir=$(python3 -c 'import json, sys
presets = {p["name"]: p for p in json.load(open("CMakePresets.json"))["configurePresets"]}
if sys.argv[1] not in presets:
    sys.exit("build: no preset %r; the presets are %s" % (sys.argv[1], " ".join(presets)))
p = presets[sys.argv[1]]
while "binaryDir" not in p: p = presets[p["inherits"]]
print(p["binaryDir"].replace("${sourceDir}/", ""))' "$preset")
  if [ -f "$dir/CMakeCache.txt" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$dir/CMakeCache.txt"; then
    echo "build: $dir was made by another generator; making it anew with Ninja"
    rm -rf "$dir"
  fi
  log="build/$preset.configure.log"
  cmake --preset "$preset" >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
  [ "$configure_only" = 1 ] || cmake --build --preset "$preset"
done

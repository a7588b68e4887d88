#!/usr/bin/env bash
# Configures and builds the launcher: build/x86 is the product (32-bit
# Quillon.exe, no test seams); build/x86-tests and build/x64 are the test
# builds for i686 and x86-64, each with the tests and the stand-ins; build/fuzz
# holds the fuzz targets, built for this host with clang (tests/fuzz). All
# are incremental: a second run only rebuilds what changed.
#
#   tools/build.sh                the three Windows builds
#   tools/build.sh x86            the product only
#   tools/build.sh x86-tests x64  the test builds
#   tools/build.sh fuzz           the fuzz targets
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${QUILLON_BUILD_JOBS:-$(nproc)}

build() {
  local dir=$1 toolchain=$2
  shift 2
  build_in "$dir" "$root" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" "$@"
}

# build_in DIR SOURCE [CMAKE OPTIONS...]: configures SOURCE into build/DIR and builds it.
build_in() {
  local dir=$1 source=$2
  shift 2
  cmake -S "$source" -B "$root/build/$dir" "$@" >"$root/build/$dir.configure.log" 2>&1 || {
      cat "$root/build/$dir.configure.log" >&2
      return 1
    }
  cmake --build "$root/build/$dir" -j "$jobs"
}

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(x86 x86-tests x64)
mkdir -p "$root/build"
for t in "${targets[@]}"; do
  case "$t" in
    x86) build x86 mingw-i686.cmake ;;
    x86-tests) build x86-tests mingw-i686-tests.cmake -DQUILLON_TESTS=ON ;;
    x64) build x64 mingw-x86_64.cmake -DQUILLON_TESTS=ON ;;
    fuzz) build_in fuzz "$root/tests/fuzz" -DCMAKE_CXX_COMPILER=clang++ ;;
    *) echo "build: unknown build '$t' (x86, x86-tests, x64 or fuzz)" >&2; exit 2 ;;
  esac
done

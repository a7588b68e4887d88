#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the product (build/x86)
# and the test build (build/x64), and runs the test build's tests under Wine
# in a throwaway prefix (build/wine) on a virtual display, with the stick
# drive S: mapped to build/x64/stick. Arguments go to ctest (for example
# -R e2e). Exits with ctest's status.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/setup.sh
tools/build.sh x86 x64

source tools/wine-env.sh
trap quillon_wine_stop EXIT
quillon_xvfb_start
quillon_wine_prefix_create "$root/build/wine"

# The end-to-end tests lay out their own stick on S:; it starts empty.
rm -rf build/x64/stick
mkdir -p build/x64/stick
quillon_stick_map build/x64/stick s
export QUILLON_STICK=S:

status=0
ctest --test-dir build/x64 --output-on-failure --timeout 1200 "$@" </dev/null || status=$?
exit "$status"

#!/bin/sh
# ctest's emulator for the test builds: runs one test program under Wine.
#
#   tools/wine-run.sh x86|x64 PROGRAM [ARGUMENTS...]
#
# When this machine's Wine can't run 32-bit programs, tools/test.sh says why
# in QUILLON_WINE32_UNAVAILABLE; an x86 program then isn't started: the reason
# is printed and the exit code 77 makes ctest count the test as skipped.
bitness=$1
shift
# Tests write to the registry and the user's folders: never in the user's own
# prefix.
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-run: WINEPREFIX is not set; run the tests through tools/test.sh" >&2
  exit 1
fi
if [ "$bitness" = x86 ] && [ -n "${QUILLON_WINE32_UNAVAILABLE:-}" ]; then
  echo "skipped: 32-bit programs can't run here: $QUILLON_WINE32_UNAVAILABLE"
  exit 77
fi
exec wine "$@"

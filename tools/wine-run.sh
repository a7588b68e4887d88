#!/usr/bin/env bash
# ctest's emulator for the test builds: runs one test program under Wine, in
# the prefix of its build's test environment (tools/test-environment.sh,
# which also wrote what the tests are to know into the prefix's test.env).
#
#   tools/wine-run.sh x86|x64 PROGRAM [ARGUMENTS...]
#
# Where this machine's Wine can't run 32-bit programs, an x86 program isn't
# started: the reason is printed and the exit code 77 makes ctest count the
# test as skipped.
bitness=$1
shift
# Tests write to the registry and the user's folders: never in the user's own
# prefix.
if [ -z "${WINEPREFIX:-}" ] || [ ! -f "$WINEPREFIX/test.env" ]; then
  echo "wine-run: no test environment in '${WINEPREFIX:-}'; run the tests through tools/test.sh" >&2
  exit 1
fi
source "$WINEPREFIX/test.env"
export WINEDEBUG=${WINEDEBUG:--all}
if [ "$bitness" = x86 ] && [ -n "${QUILLON_WINE32_UNAVAILABLE:-}" ]; then
  echo "skipped: 32-bit programs can't run here: $QUILLON_WINE32_UNAVAILABLE"
  exit 77
fi
exec wine "$@"

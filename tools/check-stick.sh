#!/usr/bin/env bash
# Checks a stick's settings and language files the way the launcher reads
# them: tools/check-stick.sh STICK_FOLDER
#
# STICK_FOLDER is the stick's root (the folder that holds .cfg). The check runs
# stick_check.exe under Wine, in a throwaway prefix on a virtual display, so
# that the platform's own profile functions read the files and the dialogs'
# own fonts measure the texts. It prints one line per finding (file, section,
# key, what the user sees) and a summary, and exits 1 when any finding is an
# error, 0 otherwise, 2 when the folder can't be read. Sets up and builds
# stick_check.exe first (output on standard error), unless QUILLON_STICK_CHECK
# names one.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: tools/check-stick.sh STICK_FOLDER" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
quillon_on_display "$0" "$@"
stick=$(cd "$1" && pwd)
checker=$(quillon_stick_checker)

quillon_throwaway_prefix check-stick >/dev/null
status=0
wine "$checker" check "$(winepath -w "$stick")" </dev/null | tr -d '\r' ||
  status=${PIPESTATUS[0]}
exit "$status"

#!/usr/bin/env bash
# The set-up's apt decisions on a registry's bad day, against a stand-in apt
# (tests/setup/apt-standin.sh): no registry, no root, no package changes.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-setup-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

export QUILLON_APT="$root/tests/setup/apt-standin.sh" QUILLON_APT_ETC="$work/etc"
export QUILLON_APT_PAUSE=0 STANDIN_LOG="$work/apt.log"
mkdir -p "$work/etc/sources.list.d"
cat >"$work/etc/sources.list.d/debian.sources" <<'SOURCES'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
SOURCES
source "$root/tools/setup-apt.sh"

failures=0
# check NAME EXPECTED ACTUAL: equal, or the case, both values and apt's calls are printed.
check() {
  [ "$2" = "$3" ] && return 0
  failures=$((failures + 1))
  printf 'FAIL %s\n  expected: %s\n  actual:   %s\n  apt calls:\n' "$1" "$2" "$3"
  sed 's/^/    /' "$STANDIN_LOG"
}

# Rows: the install | its status | apt's calls, in order.
rows=(
  "quillon_apt_install $work/private xvfb|0|update bookworm bookworm-updates bookworm-security;update bookworm bookworm-updates bookworm-security;update bookworm bookworm-updates bookworm-security;install -y -qq --no-install-recommends --no-remove xvfb"
  "quillon_wine32_install $work/private|0|update bookworm bookworm-updates bookworm-security;update bookworm bookworm-updates bookworm-security;update bookworm bookworm-updates bookworm-security;install -y -qq --no-install-recommends --no-remove wine64 wine32:i386;update bookworm bookworm-updates;install -y -qq --no-install-recommends --no-remove --allow-downgrades wine64 wine32:i386;INSTALLED wine32:i386"
)
# Each row under an English and a German user: apt speaks the user's language.
for user in "LC_ALL=" "LC_ALL=de_DE.UTF-8" "LC_ALL= LANG=de_DE.UTF-8 LANGUAGE=de"; do
  for row in "${rows[@]}"; do
    IFS='|' read -r install status calls <<<"$row"
    : >"$STANDIN_LOG"
    actual=0
    # The user's shell: no such locale here, which only bash itself minds.
    env $user bash -c "source '$root/tools/setup-apt.sh'
      quillon_apt_update >'$work/out'; $install >/dev/null" 2>/dev/null || actual=$?
    check "$user $install: the failed index named" \
      "setup: going on without the package indexes that failed 3 times: bookworm-security/main/binary-i386/Packages.xz" \
      "$(cat "$work/out")"
    check "$user $install: status" "$status" "$actual"
    check "$user $install: apt's calls" "$calls" "$(paste -sd';' "$STANDIN_LOG")"
  done
done

# The private list keeps the machine's other entries as they are.
quillon_apt_failed="http://deb.debian.org/debian-security bookworm-security"
quillon_apt_sources deb-src "$work/src"
check "private deb-src list" "Types: deb-src|URIs: http://deb.debian.org/debian|Suites: bookworm bookworm-updates|Components: main|" \
  "$(paste -sd'|' "$work/src/quillon.sources")"

[ "$failures" = 0 ] && echo "setup_apt_test: all passed"
exit "$((failures > 0))"

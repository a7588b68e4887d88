#!/usr/bin/env bash
# The set-up's apt decisions on a registry's bad day, against a stand-in apt
# (tests/setup/apt-standin.sh): no registry, no root, no package changes.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-setup-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

export QUILLON_APT="$root/tests/setup/apt-standin.sh" QUILLON_APT_ETC="$work/etc"
export QUILLON_APT_CACHE=$QUILLON_APT
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

# The pinned xz source. The stand-in's packages, and their .dsc's sums.
u1=5.4.1-1+deb12u1 u2=5.4.1-1+deb12u2
mkdir -p "$work/dsc"
for v in $u1 $u2; do
  (cd "$work/dsc" && STANDIN_SOURCES="$v@bookworm" STANDIN_LOG=/dev/null "$QUILLON_APT" source xz-utils=$v)
done
h1=$(sha256sum <"$work/dsc/xz-utils_$u1.dsc" | cut -d' ' -f1)
h2=$(sha256sum <"$work/dsc/xz-utils_$u2.dsc" | cut -d' ' -f1)
pin="$work/xz-source.pin" xz="$work/deps/xz"
both="$u1@bookworm $u2@bookworm-security"
fetch="update bookworm bookworm-updates bookworm-security;madison xz-utils"
# Rows: the pin | what the registry offers | QUILLON_XZ_VERSION | the record of
# .deps/xz before (with its tree; "!": without) | the status | the record
# after | apt's calls | a line said.
rows=(
  "xz-utils $u2 $h2|$both||-|0|xz-utils $u2 $h2|$fetch;source --download-only -qq xz-utils=$u2|setup: liblzma from xz-utils $u2 (bookworm-security)"
  "xz-utils $u2 $h2|$both||xz-utils $u2 $h2|0|xz-utils $u2 $h2||"
  "xz-utils $u2 $h2|$both||!xz-utils $u2 $h2|0|xz-utils $u2 $h2|$fetch;source --download-only -qq xz-utils=$u2|setup: liblzma from xz-utils $u2 (bookworm-security)"
  "xz-utils $u2 $h2|$both||xz-utils $u1 $h1|0|xz-utils $u2 $h2|$fetch;source --download-only -qq xz-utils=$u2|setup: liblzma from xz-utils $u2 (bookworm-security)"
  "xz-utils $u2 $h2|$u1@bookworm||-|1|-|$fetch|setup: the registry doesn't offer xz-utils $u2, which $pin names; it offers: $u1 (bookworm)"
  "xz-utils $u2 $h1|$both||-|1|-|$fetch;source --download-only -qq xz-utils=$u2|setup: xz-utils_$u2.dsc has the SHA-256 $h2; $pin names $h1: not used"
  "xz-utils $u2 $h2|$both|$u1|-|0|xz-utils $u1 $h1 override|$fetch;source --download-only -qq xz-utils=$u1|setup: xz-utils $u1 instead of the pinned $u2 (QUILLON_XZ_VERSION): recorded as an override"
  "xz-utils $u2 $h2|$both|$u1|xz-utils $u1 $h1 override|0|xz-utils $u1 $h1 override||"
)
for row in "${rows[@]}"; do
  IFS='|' read -r pinned offers override before status after calls says <<<"$row"
  echo "$pinned" >"$pin"
  rm -rf "$xz" && mkdir -p "$(dirname "$xz")"
  if [ "$before" != - ]; then
    mkdir -p "$xz" && echo "${before#!}" >"$xz/.quillon-source"
    [[ $before = '!'* ]] || echo "# xz-utils $(cut -d' ' -f2 <<<"$before")" >"$xz/CMakeLists.txt"
  fi
  : >"$STANDIN_LOG"
  actual=0
  STANDIN_SOURCES=$offers QUILLON_XZ_VERSION=$override \
    quillon_pinned_source "$pin" "$xz" "$work/apt" >"$work/out" 2>&1 || actual=$?
  case="pin $pinned, offers $offers, QUILLON_XZ_VERSION $override, record $before"
  check "$case: status" "$status" "$actual"
  check "$case: the record" "$after" "$(cat "$xz/.quillon-source" 2>/dev/null || echo -)"
  # The tree is the version recorded (the stand-in's says which).
  [ "$after" = - ] || [ "$before" = "$after" ] ||
    check "$case: the tree" "# xz-utils $(cut -d' ' -f2 <<<"$after")" "$(cat "$xz/CMakeLists.txt")"
  check "$case: apt's calls" "$calls" "$(paste -sd';' "$STANDIN_LOG")"
  [ -z "$says" ] || grep -qxF "$says" "$work/out" || check "$case: said" "$says" "$(cat "$work/out")"
done

[ "$failures" = 0 ] && echo "setup_apt_test: all passed"
exit "$((failures > 0))"

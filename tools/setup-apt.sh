# Package installs that survive a registry's bad day. Sourced by
# tools/setup.sh, and by its test, which points QUILLON_APT at a stand-in apt
# and QUILLON_APT_ETC at a made-up /etc/apt.
#
# A registry can serve an index that fails apt's check (a mirror in the middle
# of a sync): `apt-get update` then exits 100 although every other index
# loaded. Worse, when the failed index is a security suite's i386 one, the
# multiarch libraries installed for amd64 at that suite's version have no
# visible i386 twin, and `wine32:i386` can't be installed; letting apt resolve
# that removes wine64. So: updates are retried and then go on without the
# failed indexes, installs never remove a package, and an install that the
# machine's own sources can't satisfy is tried once more from a private source
# list without the failed suites, where apt may move the libraries it needs to
# that list's versions.

QUILLON_APT=${QUILLON_APT:-apt-get}
QUILLON_APT_ETC=${QUILLON_APT_ETC:-/etc/apt}
QUILLON_APT_TRIES=${QUILLON_APT_TRIES:-3}
QUILLON_APT_PAUSE=${QUILLON_APT_PAUSE:-5}

# The suites whose indexes failed in the last quillon_apt_update, one
# "URI SUITE" per line (URI as the source list gives it, without a final /).
quillon_apt_failed=""

# quillon_apt_update [APT OPTION...]: `apt-get update`, tried up to
# QUILLON_APT_TRIES times QUILLON_APT_PAUSE seconds apart. Always returns 0.
# When indexes still fail, names them in one line and records their suites in
# quillon_apt_failed; a failure that names no index prints apt's errors.
quillon_apt_update() {
  local try out status=0 failed
  quillon_apt_failed=""
  for ((try = 1; try <= QUILLON_APT_TRIES; try++)); do
    status=0
    # apt speaks the user's language; its messages are read below in English.
    out=$(LC_ALL=C "$QUILLON_APT" "$@" update -qq 2>&1) || status=$?
    [ "$status" = 0 ] && return 0
    [ "$try" -lt "$QUILLON_APT_TRIES" ] && sleep "$QUILLON_APT_PAUSE"
  done
  # "E: Failed to fetch http://HOST/PATH/dists/SUITE/COMPONENT/binary-ARCH/Packages.xz  ..."
  failed=$(printf '%s\n' "$out" | sed -n 's/^[EW]: Failed to fetch \([^ ]*\).*/\1/p' | sort -u)
  if [ -z "$failed" ]; then
    echo "setup: apt-get update failed (status $status) after $QUILLON_APT_TRIES tries; going on with the indexes it has:"
    printf '%s\n' "$out" | grep '^[EW]:' | sed 's/^/setup:   /' || true
    return 0
  fi
  quillon_apt_failed=$(printf '%s\n' "$failed" | sed -n 's|^\(.*\)/dists/\([^/]*\)/.*|\1 \2|p' | sort -u)
  echo "setup: going on without the package indexes that failed $QUILLON_APT_TRIES times:" \
    $(printf '%s\n' "$failed" | sed 's|.*/dists/||')
  return 0
}

# quillon_apt_sources TYPE DIR: writes the machine's sources into DIR as one
# deb822 file, with TYPE ("deb" or "deb-src") for every entry and without the
# suites in quillon_apt_failed. Every URI gets a stanza of its own, so that a
# suite can be left out for one archive only.
quillon_apt_sources() {
  local type=$1 dir=$2 f
  mkdir -p "$dir"
  {
    for f in "$QUILLON_APT_ETC"/sources.list.d/*.sources; do
      [ -f "$f" ] && cat "$f" && echo
    done
    # One-line sources ("deb [OPTIONS] URI SUITE COMPONENT...") as stanzas.
    for f in "$QUILLON_APT_ETC"/sources.list "$QUILLON_APT_ETC"/sources.list.d/*.list; do
      [ -f "$f" ] || continue
      awk '$1 == "deb" {
        i = 2; opts = ""
        if ($2 ~ /^\[/) {  # [arch=amd64 signed-by=FILE ...]
          while (i <= NF) { opts = opts " " $i; if ($(i++) ~ /\]$/) break }
          gsub(/[][]/, "", opts)
        }
        printf "Types: deb\nURIs: %s\nSuites: %s\nComponents:", $i, $(i + 1)
        for (j = i + 2; j <= NF; j++) printf " %s", $j
        printf "\n"
        n = split(opts, o, " ")
        for (j = 1; j <= n; j++) {
          split(o[j], kv, "=")
          if (kv[1] == "arch") printf "Architectures: %s\n", kv[2]
          else if (kv[1] == "signed-by") printf "Signed-By: %s\n", kv[2]
          else if (kv[1] == "trusted") printf "Trusted: %s\n", kv[2]
        }
        printf "\n"
      }' "$f"
    done
  } | awk -v type="$type" -v failed="$quillon_apt_failed" '
    BEGIN {
      n = split(failed, lines, "\n")
      for (i = 1; i <= n; i++) if (lines[i] != "") skip[lines[i]] = 1
    }
    function flush(   u, s, i, j, nu, ns, uri, suites) {
      if (types ~ /(^| )deb( |$)/ && uris != "") {
        nu = split(uris, u, " ")
        ns = split(suites_line, s, " ")
        for (i = 1; i <= nu; i++) {
          uri = u[i]; sub(/\/$/, "", uri)
          suites = ""
          for (j = 1; j <= ns; j++) if (!((uri " " s[j]) in skip)) suites = suites " " s[j]
          if (suites == "") continue
          printf "Types: %s\nURIs: %s\nSuites:%s\n%s\n", type, u[i], suites, rest
        }
      }
      types = ""; uris = ""; suites_line = ""; rest = ""
    }
    /^[ \t]*#/ { next }
    /^[ \t]*$/ { flush(); next }
    /^Types:/ { types = $0; sub(/^Types:[ \t]*/, "", types); next }
    /^URIs:/ { uris = $0; sub(/^URIs:[ \t]*/, "", uris); next }
    /^Suites:/ { suites_line = $0; sub(/^Suites:[ \t]*/, "", suites_line); next }
    { rest = rest $0 "\n" }
    END { flush() }
  ' >"$dir/quillon.sources"
}

# quillon_apt_private_opts DIR: the apt options that use DIR's source list,
# lists folder and preferences in place of the machine's.
quillon_apt_private_opts() {
  local dir=$1
  printf '%s\n' -o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$dir/parts" \
    -o "Dir::State::Lists=$dir/lists" -o "Dir::Etc::Preferences=/dev/null" \
    -o "Dir::Etc::PreferencesParts=$dir/preferences"
}

# quillon_apt_install WORKDIR PKG...: installs PKG... without recommends and
# without ever removing a package. Returns 0 when apt installed them. When the
# machine's sources can't and the last quillon_apt_update left suites out, it
# tries once more from a private source list in WORKDIR without them, where
# the list's versions win over installed ones (a library installed from a
# left-out suite moves to the list's version when the install needs that).
quillon_apt_install() {
  local work=$1 opts
  shift
  local install=(install -y -qq --no-install-recommends --no-remove)
  DEBIAN_FRONTEND=noninteractive "$QUILLON_APT" "${install[@]}" "$@" >/dev/null && return 0
  [ -n "$quillon_apt_failed" ] || return 1
  echo "setup: trying $* again without the suites whose indexes failed:" $quillon_apt_failed
  rm -rf "$work"
  mkdir -p "$work/lists/partial" "$work/preferences"
  quillon_apt_sources deb "$work/parts"
  printf 'Package: *\nPin: origin *\nPin-Priority: 1001\n' >"$work/preferences/quillon.pref"
  mapfile -t opts < <(quillon_apt_private_opts "$work")
  quillon_apt_update "${opts[@]}"
  DEBIAN_FRONTEND=noninteractive "$QUILLON_APT" "${opts[@]}" "${install[@]}" --allow-downgrades "$@" >/dev/null
}

# quillon_wine32_install WORKDIR: Wine's 32-bit part. wine64 goes in the same
# command: resolving wine32:i386 alone, apt may make room for it by removing
# the 64-bit loader.
quillon_wine32_install() {
  quillon_apt_install "$1" wine64 wine32:i386
}

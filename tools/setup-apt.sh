# Package installs that survive a registry's bad day, and the download of a
# pinned source package. Sourced by tools/setup.sh, and by its test, which
# points QUILLON_APT and QUILLON_APT_CACHE at a stand-in apt and
# QUILLON_APT_ETC at a made-up /etc/apt.
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
QUILLON_APT_CACHE=${QUILLON_APT_CACHE:-apt-cache}
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

# quillon_pinned_source PIN DEST WORKDIR: DEST holds the unpacked source
# package that the file PIN names in its one line "PACKAGE VERSION SHA256"
# (SHA256: that of its .dsc), or, when QUILLON_XZ_VERSION names another
# version, that one: an override. DEST/.quillon-source records which, as
# "PACKAGE VERSION SHA256", with " override" after an override, and DEST is
# fetched again whenever it records another than the one asked for: from
# whichever suite of the machine's sources offers it, through a private
# deb-src list in WORKDIR. Returns 1 and leaves DEST as it was when the
# registry doesn't offer that version (naming the versions it offers), the
# download fails, or the .dsc isn't the one that PIN names.
quillon_pinned_source() {
  local pin=$1 dest=$2 work=$3 package version sha256 wanted record opts offers dsc got
  read -r package version sha256 < <(grep -v '^[[:space:]]*\(#\|$\)' "$pin")
  [ -n "$sha256" ] || { echo "setup: $pin names no \"PACKAGE VERSION SHA256\"" >&2; return 1; }
  wanted=${QUILLON_XZ_VERSION:-$version}
  record=$(cat "$dest/.quillon-source" 2>/dev/null) || true
  if [ "$wanted" = "$version" ]; then
    [ "$record" != "$package $version $sha256" ] || [ ! -f "$dest/CMakeLists.txt" ] || return 0
  else
    [[ "$record" != "$package $wanted "*" override" ]] || [ ! -f "$dest/CMakeLists.txt" ] || return 0
  fi
  echo "setup: fetching the $package source package $wanted"
  rm -rf "$work" && mkdir -p "$work/lists/partial" "$work/preferences" "$work/src"
  quillon_apt_failed=""
  quillon_apt_sources deb-src "$work/parts"
  mapfile -t opts < <(quillon_apt_private_opts "$work")
  # root downloads as itself: the private folder is not the _apt user's.
  opts+=(-o "Debug::NoLocking=1" -o "APT::Sandbox::User=root")
  quillon_apt_update "${opts[@]}"
  # " xz-utils | 5.4.1-1+deb12u2 | http://deb.debian.org/debian-security bookworm-security/main Sources"
  # becomes "5.4.1-1+deb12u2 (bookworm-security)".
  offers=$(LC_ALL=C "$QUILLON_APT_CACHE" "${opts[@]}" madison "$package" 2>/dev/null |
    awk -F' *[|] *' '$3 ~ / Sources$/ { split($3, w, " "); sub(/\/.*/, "", w[2]); print $2 " (" w[2] ")" }' |
    sort -u)
  if ! awk -v v="$wanted" '$1 == v { found = 1 } END { exit !found }' <<<"$offers"; then
    echo "setup: the registry doesn't offer $package $wanted, which" \
      "$([ "$wanted" = "$version" ] && echo "$pin names" || echo "QUILLON_XZ_VERSION asks for");" \
      "it offers: $(sed -n 'H; ${ x; s/^\n//; s/\n/, /g; p }' <<<"${offers:-no version}")" >&2
    [ "$wanted" != "$version" ] ||
      echo "setup: to build from another anyway, name it in QUILLON_XZ_VERSION (an override, recorded)" >&2
    return 1
  fi
  (cd "$work/src" && LC_ALL=C "$QUILLON_APT" "${opts[@]}" source --download-only -qq "$package=$wanted") || {
    echo "setup: the $package source package $wanted could not be downloaded" >&2
    return 1
  }
  dsc="$work/src/${package}_${wanted#*:}.dsc"
  got=$(sha256sum <"$dsc" | cut -d' ' -f1)
  if [ "$wanted" = "$version" ]; then
    if [ "$got" != "$sha256" ]; then
      echo "setup: $(basename "$dsc") has the SHA-256 $got; $pin names $sha256: not used" >&2
      return 1
    fi
    record="$package $version $sha256"
  else
    record="$package $wanted $got override"
    echo "setup: $package $wanted instead of the pinned $version (QUILLON_XZ_VERSION):" \
      "recorded as an override"
  fi
  rm -rf "$dest.new"
  # The files are checked against the .dsc's sums; its signature, with no
  # keyring here, only warns.
  dpkg-source --no-copy -x "$dsc" "$dest.new" >"$work/unpack.log" 2>&1 || {
    cat "$work/unpack.log" >&2
    echo "setup: $(basename "$dsc") could not be unpacked" >&2
    return 1
  }
  echo "$record" >"$dest.new/.quillon-source"
  if [ -d "$dest" ] && diff -rq -x .quillon-source "$dest" "$dest.new" >/dev/null 2>&1; then
    # The same tree, only not recorded yet: kept with its files' times, so
    # that no build of it starts over.
    echo "$record" >"$dest/.quillon-source"
    rm -rf "$dest.new"
  else
    # Swapped in whole, so that a build never meets half a tree.
    rm -rf "$dest.old"
    [ ! -e "$dest" ] || mv "$dest" "$dest.old"
    mv "$dest.new" "$dest"
    rm -rf "$dest.old"
  fi
  rm -rf "$work"
  echo "setup: liblzma from $package $wanted$(awk -v v="$wanted" '$1 == v { printf " %s", $2 }' <<<"$offers")"
}

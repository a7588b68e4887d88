#!/usr/bin/env bash
# A stand-in apt-get with a registry on a bad day, as measured: the security
# suite's i386 index fails apt's size check, so an update with that suite
# exits 100, and wine32:i386 is installable only from a source list without
# that suite, with the list's versions preferred (a library installed from the
# security suite must move back) and wine64 in the same command; otherwise apt
# would remove wine64 and libwine:amd64. Its source packages are those of
# $STANDIN_SOURCES ("VERSION@SUITE ..."), each offered where the call's
# source list holds its suite, as apt-cache madison lists them; a download
# makes a small package that unpacks to a CMakeLists.txt naming its version,
# the same bytes at every call. Every call is logged to $STANDIN_LOG ("update
# SUITES", "install OPTIONS PACKAGES", "madison PACKAGE", "source OPTIONS
# PACKAGE=VERSION"); what it would remove is logged as "REMOVED ...". Like apt,
# it speaks the user's language: German under a German locale (gettext's
# order: LC_ALL, LC_MESSAGES, LANG; then LANGUAGE, unless the locale is C).
set -u
locale=${LC_ALL:-${LC_MESSAGES:-${LANG:-C}}}
case "$locale" in C | C.* | POSIX) ;; *) locale=${LANGUAGE:-$locale} ;; esac
german=0
case "$locale" in de*) german=1 ;; esac
parts="" prefs=""
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    -o)
      case "$2" in
        Dir::Etc::SourceParts=*) parts=${2#*=} ;;
        Dir::Etc::PreferencesParts=*) prefs=${2#*=} ;;
      esac
      shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done
# The suites this call sees: the private list, or the machine's; the binary
# indexes come with "Types: deb" only.
sources=$(cat "${parts:-$QUILLON_APT_ETC/sources.list.d}"/*.sources 2>/dev/null)
suites=$(sed -n 's/^Suites://p' <<<"$sources" | tr -s ' \n' '  ' | sed 's/ *$//')
binary=$(grep -c '^Types: deb$' <<<"$sources")
# offered VERSION: 0 when a suite of this call offers the xz source VERSION.
offered() {
  local offer
  for offer in ${STANDIN_SOURCES:-}; do
    [ "${offer%@*}" = "$1" ] && [[ " $suites " == *" ${offer#*@} "* ]] && return 0
  done
  return 1
}
command=${args[0]}
case "$command" in
  madison)
    echo "madison ${args[*]:1}" >>"$STANDIN_LOG"
    for offer in ${STANDIN_SOURCES:-}; do
      ! offered "${offer%@*}" ||
        echo "  xz-utils | ${offer%@*} | http://deb.debian.org/debian ${offer#*@}/main Sources"
    done
    exit 0 ;;
  source)
    echo "source ${args[*]:1}" >>"$STANDIN_LOG"
    version=${args[*]: -1}
    version=${version#xz-utils=}
    if ! offered "$version"; then
      echo "E: Can not find version '$version' of package 'xz-utils'"
      exit 100
    fi
    tree=$(mktemp -d)
    mkdir -p "$tree/xz-utils/debian/source"
    echo "3.0 (native)" >"$tree/xz-utils/debian/source/format"
    echo "# xz-utils $version" >"$tree/xz-utils/CMakeLists.txt"
    tar="xz-utils_$version.tar.xz"
    tar -C "$tree" --sort=name --mtime=@0 --owner=0 --group=0 --numeric-owner \
      --mode=u=rwX,go=rX -cJf "$tar" xz-utils
    rm -rf "$tree"
    printf 'Format: 3.0 (native)\nSource: xz-utils\nVersion: %s\nFiles:\n %s %s %s\n' "$version" \
      "$(md5sum <"$tar" | cut -d' ' -f1)" "$(stat -c %s "$tar")" "$tar" >"xz-utils_$version.dsc"
    exit 0 ;;
  update)
    echo "update$suites" >>"$STANDIN_LOG"
    case "$binary $suites " in
      [1-9]*" bookworm-security "*)
        index=http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz
        if [ "$german" = 1 ]; then
          echo "E: Fehlschlag beim Holen von $index  Datei hat unerwartete Größe (374820 != 376004). Findet gerade ein Spiegelabgleich statt? [IP: 203.0.113.80 80]"
          echo "E: Einige Indexdateien konnten nicht heruntergeladen werden. Sie wurden ignoriert oder alte an ihrer Stelle benutzt."
        else
          echo "E: Failed to fetch $index  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]"
          echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
        fi
        exit 100 ;;
    esac
    exit 0 ;;
  install)
    echo "install ${args[*]:1}" >>"$STANDIN_LOG"
    words=" ${args[*]} "
    case "$words" in *" wine32:i386 "*) ;; *) exit 0 ;; esac
    pinned=$(cat "${prefs:-/dev/null}"/*.pref 2>/dev/null | grep -c '^Pin-Priority: 1001$')
    case " $suites " in
      *" bookworm-security "*)
        echo "E: Unable to correct problems, you have held broken packages."; exit 100 ;;
    esac
    if [ "$pinned" = 0 ] || [[ "$words" != *" --allow-downgrades "* ]]; then
      echo " libwine:i386 : Depends: libgstreamer-plugins-base1.0-0:i386 (>= 1.0.0) but it is not installable"
      exit 100
    fi
    if [[ "$words" != *" wine64 "* ]]; then
      if [[ "$words" == *" --no-remove "* ]]; then
        echo "E: Packages need to be removed but remove is disabled."; exit 100
      fi
      echo "REMOVED wine64 libwine:amd64" >>"$STANDIN_LOG"
    fi
    echo "INSTALLED wine32:i386" >>"$STANDIN_LOG"
    exit 0 ;;
esac
echo "apt-standin: unexpected call: ${args[*]}" >&2
exit 2

#!/usr/bin/env bash
# Installs what building and testing the launcher needs on a Debian machine
# (cross compilers, Wine with its 32-bit part where the machine can run
# 32-bit programs, a virtual display, clang for the fuzz targets, gcovr for
# the coverage map, a CJK font and Chromium for the gallery, osslsigncode for
# signed releases, hyperfine and datamash for the benchmarks), fetches the xz
# source that liblzma is built from (the version that xz-source.pin names),
# and makes the Wine prefix that the tests copy. Safe to run again: it only
# adds what is missing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
mkdir -p "$deps"
source "$root/tools/setup-apt.sh"

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_cmd i686-w64-mingw32-g++-win32 || need+=(g++-mingw-w64-i686-win32)
have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix)
have_cmd i686-w64-mingw32-windres || need+=(binutils-mingw-w64-i686)
have_cmd x86_64-w64-mingw32-windres || need+=(binutils-mingw-w64-x86-64)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
have_cmd wine || need+=(wine)
have_cmd xvfb-run || need+=(xvfb)
have_cmd xauth || need+=(xauth)
have_cmd cmake || need+=(cmake)
have_cmd ninja || need+=(ninja-build)
have_cmd xz || need+=(xz-utils)
have_cmd dpkg-source || need+=(dpkg-dev)
have_cmd import || need+=(imagemagick)
# The rebuild check: faketime moves the second build's clock, diffoscope
# shows a difference.
have_cmd faketime || need+=(faketime)
have_cmd diffoscope || need+=(diffoscope-minimal)
# The release's signature and the test's throwaway certificates.
have_cmd osslsigncode || need+=(osslsigncode)
have_cmd openssl || need+=(openssl)
# The release test's local time-stamp server.
have_cmd python3 || need+=(python3)
# The gallery: a CJK font for Wine to fall back on, and Chromium for its page's test.
dpkg -s fonts-wqy-microhei >/dev/null 2>&1 || need+=(fonts-wqy-microhei)
# Wine's own fonts (Tahoma for the dialogs, Marlett for the title bar's
# buttons), which a Wine installed without recommends lacks.
dpkg -s fonts-wine >/dev/null 2>&1 || need+=(fonts-wine)
have_cmd fc-match || need+=(fontconfig)
have_cmd chromium || need+=(chromium)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
{ have_cmd localedef && [ -f /usr/share/i18n/locales/ja_JP ]; } || need+=(locales)
# The fuzz targets: clang with libFuzzer and the sanitizers' runtime.
have_cmd clang++ || need+=(clang)
dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
# The coverage map (tools/coverage.sh); the benchmarks' timings and medians.
have_cmd gcovr || need+=(gcovr)
have_cmd hyperfine || need+=(hyperfine)
have_cmd datamash || need+=(datamash)

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  quillon_apt_update
  quillon_apt_install "$deps/apt" "${need[@]}" || {
    echo "setup: apt-get could not install ${need[*]}" >&2
    exit 1
  }
fi

# liblzma comes from Debian's xz-utils source package, exactly the version
# that xz-source.pin names (or QUILLON_XZ_VERSION's, recorded as an override;
# tools/setup-apt.sh). The machine's apt sources are left alone: a private
# source list (the machine's own archives, as deb-src) and a private lists
# folder serve this one download.
quillon_pinned_source "$root/xz-source.pin" "$deps/xz" "$deps/apt" || exit 1
# The Unix locales whose UI languages the language tests start the launcher
# under (Wine takes the UI language from the process's Unix locale, only for
# locales that exist). Compiled into .deps/locales; tests point LOCPATH there.
for locale in ja_JP en_US zh_CN zh_TW; do
  if [ ! -d "$deps/locales/$locale.UTF-8" ]; then
    mkdir -p "$deps/locales"
    localedef -i "$locale" -f UTF-8 "$deps/locales/$locale.UTF-8" 2>/dev/null ||
      [ -d "$deps/locales/$locale.UTF-8" ] || {
        echo "setup: can't compile the locale $locale.UTF-8" >&2
        exit 1
      }
  fi
done

# Wine's 32-bit part, which runs the shipped PE32 launcher and the 32-bit
# test build. It needs a kernel that runs 32-bit programs: a 96-byte i386 ELF
# program that only exits with 42 tells, without any 32-bit toolchain. The
# outcome is kept in .deps/wine32.status ("ok", or the reason why not), which
# tools/test.sh reports; a new check runs when the file is removed.
status_file="$deps/wine32.status"
wine32_installed() { dpkg -s wine32:i386 >/dev/null 2>&1; }
# An install that failed is tried again at the next run (the registry may have
# mended); only the kernel's verdict stands until the file is removed.
if [ ! -f "$status_file" ] || { ! wine32_installed && ! grep -q '^kernel ' "$status_file"; }; then
  elf="$deps/elf32-probe"
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273\052\000\000\000\315\200' >"$elf"
  chmod +x "$elf"
  elf_status=0
  "$elf" 2>/dev/null || elf_status=$?
  rm -f "$elf"
  if [ "$elf_status" != 42 ]; then
    echo "kernel doesn't run 32-bit programs (i386 probe exit status $elf_status)" >"$status_file"
  else
    if ! wine32_installed; then
      echo "setup: installing wine32:i386 (Wine's 32-bit part)"
      dpkg --add-architecture i386
      quillon_apt_update
      quillon_wine32_install "$deps/apt" || true
      rm -rf "$deps/apt"
    fi
    if ! wine32_installed; then
      echo "wine32:i386 could not be installed (see apt's errors above)" >"$status_file"
    else
      # The probe in a throwaway prefix, made after the install (an older
      # prefix no longer starts programs once wine32 is there).
      source "$root/tools/wine-env.sh"
      if reason=$(quillon_throwaway_prefix quillon-wine32 && quillon_wine32_check); then
        echo ok >"$status_file"
      else
        echo "$reason" >"$status_file"
      fi
    fi
  fi
fi
if [ "$(cat "$status_file")" = ok ]; then
  echo "setup: Wine runs 32-bit programs"
else
  echo "setup: Wine can't run 32-bit programs here: $(cat "$status_file")"
  echo "setup: the 32-bit launcher and the 32-bit tests can't run; tools/test.sh skips them"
  echo "setup: (remove .deps/wine32.status to check again)"
fi
# Both loaders, whatever apt did: the x86-64 half needs the 64-bit one, the
# x86 half and the shipped launcher the 32-bit one.
if [ ! -x /usr/lib/wine/wine64 ]; then
  echo "setup: Wine's 64-bit loader /usr/lib/wine/wine64 is missing (package wine64); nothing can be tested" >&2
  exit 1
fi
if [ ! -x /usr/lib/wine/wine ]; then
  echo "setup: Wine's 32-bit loader /usr/lib/wine/wine is missing (package wine32:i386)"
fi
# The Wine prefix that the tests', the gallery's and the demo's are copies of.
source "$root/tools/wine-env.sh"
quillon_wine_template || exit 1
echo "setup: ready"

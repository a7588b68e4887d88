# Shared set-up for running the launcher and its tests under Wine. Sourced by
# tools/test.sh, tools/demo.sh and the benchmarks; it only defines functions
# and runs nothing by itself.
#
#   quillon_on_display "$0" "$@"   runs the calling script again on a virtual display
#   quillon_wine_template          makes the prefix that new ones copy, when missing or stale
#   quillon_wine_prefix_create DIR [L=FOLDER...]
#                                  fresh Wine prefix in DIR (removed first), drive L: at
#                                  FOLDER; exports WINEPREFIX
#   quillon_throwaway_prefix NAME [L=FOLDER...]
#                                  a fresh prefix in a new temporary folder NAME.XXXXXX, whose
#                                  path is in QUILLON_THROWAWAY; the folder and the prefix's
#                                  processes go when the script ends
#   quillon_stick_checker          prints the stick checker's path (builds it unless given)
#   quillon_bench_program DIR NAME prints DIR/NAME.exe (a benchmark's program in a test build),
#                                  or says how to build it and returns 1
#   quillon_wine32_check           runs the 32-bit probe in the prefix; on failure
#                                  prints why and returns 1
#   quillon_wine_stop              ends the prefix's Wine processes
#
# Call quillon_wine_stop from an EXIT trap:  trap quillon_wine_stop EXIT

export WINEDEBUG=-all
QUILLON_TOOLS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Runs the calling script again under xvfb-run, on a virtual display of its
# own, unless this script already runs on it. Call it first, as
#   quillon_on_display "$0" "$@"
# One display for the whole script, not one xvfb-run per command: the
# prefix's server and its desktop program keep the display they started on.
quillon_on_display() {
  [ "${QUILLON_ON_DISPLAY:-}" = "$1" ] && return 0
  # A new machine gets xvfb-run from the set-up first.
  command -v xvfb-run >/dev/null || "$QUILLON_TOOLS/setup.sh" >&2
  export QUILLON_ON_DISPLAY=$1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
}

# The prefix that every new one is a copy of, made once (tools/setup.sh makes
# it; a prefix maker that finds it missing or stale makes it first): Wine's
# first boot of a prefix takes 20-30 s, a copy a few. It holds what every
# prefix here needs: no Mono or Gecko (their installers' prompts would wait
# for a user), no desktop-menu builder (Wine starts it for every shortcut
# saved, and its windows can stall the launcher's environment broadcast for
# seconds), unmanaged windows (the virtual display has no window manager: a
# managed window waits 2 s at every close for an answer that never comes),
# and the dialogs' fonts (quillon_dialog_fonts). Its stamp names the Wine
# version, whether the 32-bit loader was there, and the sum of the functions
# that make it: a change of any makes it anew.
QUILLON_WINE_TEMPLATE="$(dirname "$QUILLON_TOOLS")/.deps/wine-template"

quillon_wine_template_stamp() {
  local loader32=no
  [ -x /usr/lib/wine/wine ] && loader32=yes
  echo "$(wine --version 2>/dev/null) loader32=$loader32" \
    "recipe=$(declare -f quillon_wine_template quillon_dialog_fonts | sha256sum | cut -c1-16)"
}

# Makes the template when it is missing or stale; returns 1 when Wine can't
# boot a prefix. Concurrent callers wait for one another (flock).
quillon_wine_template() {
  local stamp new
  stamp=$(quillon_wine_template_stamp)
  mkdir -p "$(dirname "$QUILLON_WINE_TEMPLATE")"
  (
    flock 9
    [ "$(cat "$QUILLON_WINE_TEMPLATE/quillon.stamp" 2>/dev/null)" = "$stamp" ] && exit 0
    echo "wine-env: making the Wine prefix that new ones copy ($QUILLON_WINE_TEMPLATE)" >&2
    new="$QUILLON_WINE_TEMPLATE.new"
    rm -rf "$new"
    mkdir -p "$new"
    export WINEPREFIX="$new"
    wineserver -p60 </dev/null >/dev/null 2>&1
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i </dev/null >/dev/null 2>&1 || true
    if ! wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' \
        </dev/null >/dev/null 2>&1; then
      echo "wine-env: wineboot failed in $WINEPREFIX" >&2
      wineserver -k >/dev/null 2>&1
      exit 1
    fi
    wine reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d '' /f \
      </dev/null >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      </dev/null >/dev/null 2>&1 || true
    quillon_dialog_fonts
    # The registry is written to the prefix's files when its server ends.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    # Drives are each copy's own.
    find "$new/dosdevices" -mindepth 1 -maxdepth 1 ! -name c: ! -name z: -exec rm -f {} +
    echo "$stamp" >"$new/quillon.stamp"
    rm -rf "$QUILLON_WINE_TEMPLATE"
    mv "$new" "$QUILLON_WINE_TEMPLATE"
  ) 9>"$QUILLON_WINE_TEMPLATE.lock"
}

# quillon_wine_prefix_create DIR [L=FOLDER...]: a fresh prefix in DIR (removed
# first; never the user's own ~/.wine), a copy of the template, with drive L:
# pointing at FOLDER for each pair; exports WINEPREFIX. Its wineserver keeps
# running until quillon_wine_stop (or 10 minutes after the last Windows
# program, should the caller die without stopping it), so that each program
# start doesn't pay for a new server, and the session's background programs
# (services, explorer) start once, here, with their output going nowhere: a
# background program that inherited a caller's pipe would keep it open (and
# ctest, or a "| head", waiting) for as long as the server runs. The drives
# are there before the server starts, so that their volumes (\\.\S:) open too.
quillon_wine_prefix_create() {
  local dir=$1 drive letter folder
  shift
  case "$dir" in
    "" | "${HOME:-}/.wine" | "${HOME:-}/.wine/")
      echo "wine-env: refusing prefix '$dir'" >&2
      return 1
      ;;
  esac
  quillon_wine_template || return 1
  # A server left over from an earlier run of the same prefix goes first.
  if [ -d "$dir" ]; then
    WINEPREFIX="$dir" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$dir"
  fi
  mkdir -p "$(dirname "$dir")"
  dir="$(cd "$(dirname "$dir")" && pwd)/$(basename "$dir")"
  # Wine's own programs, libraries, tables and fonts (690 of its 700 MB) are
  # hard links to the template's: nothing writes them. Every other file (the
  # registry, the INI files) is a copy of its own, since Wine rewrites a file
  # that has more than one link in place.
  (
    flock -s 9  # not while the template is made anew
    cp -al "$QUILLON_WINE_TEMPLATE" "$dir"
    cd "$QUILLON_WINE_TEMPLATE"
    find . -type f ! \( -name '*.dll' -o -name '*.exe' -o -name '*.nls' -o -name '*.sys' \
      -o -name '*.drv' -o -name '*.ttf' \) -exec cp -p --remove-destination {} "$dir/{}" \;
  ) 9>"$QUILLON_WINE_TEMPLATE.lock"
  export WINEPREFIX=$dir
  for drive in "$@"; do
    letter=$(printf '%s' "${drive%%=*}" | tr 'A-Z' 'a-z')
    folder=${drive#*=}
    mkdir -p "$folder"
    ln -sfn "$(cd "$folder" && pwd)" "$WINEPREFIX/dosdevices/$letter:"
  done
  wineserver -p600 </dev/null >/dev/null 2>&1
  wine wineboot </dev/null >/dev/null 2>&1 || true
}

# quillon_throwaway_prefix NAME [L=FOLDER...]: a temporary folder named after
# NAME, with a fresh prefix in its "wine" subfolder and drives as for
# quillon_wine_prefix_create (a relative FOLDER lies in the temporary folder),
# and an exit trap that stops the prefix's processes and removes the folder.
# The folder is in QUILLON_THROWAWAY.
quillon_throwaway_prefix() {
  local name=$1 drive drives=()
  shift
  QUILLON_THROWAWAY=$(mktemp -d "${TMPDIR:-/tmp}/$name.XXXXXX")
  trap 'quillon_wine_stop; rm -rf "$QUILLON_THROWAWAY"' EXIT INT TERM
  for drive in "$@"; do
    case "${drive#*=}" in
      /*) drives+=("$drive") ;;
      *) drives+=("${drive%%=*}=$QUILLON_THROWAWAY/${drive#*=}") ;;
    esac
  done
  quillon_wine_prefix_create "$QUILLON_THROWAWAY/wine" "${drives[@]}"
}

# The stick checker (tools/stick_check) for tools/check-stick.sh and
# tools/gallery.sh: QUILLON_STICK_CHECK when set (a test gives its build's),
# else the x86-64 test build's, which is set up and built first (output on
# standard error).
quillon_stick_checker() {
  if [ -n "${QUILLON_STICK_CHECK:-}" ]; then
    echo "$QUILLON_STICK_CHECK"
    return
  fi
  "$QUILLON_TOOLS/setup.sh" >&2
  "$QUILLON_TOOLS/build.sh" x64 >&2
  echo "$QUILLON_TOOLS/../build/x64/stick_check.exe"
}

quillon_bench_program() {
  if [ ! -f "$1/$2.exe" ]; then
    echo "$2: $1/$2.exe missing: cmake --build $1 --target $2" >&2
    return 1
  fi
  echo "$1/$2.exe"
}

# Wine looks for its own fonts in the prefix's Fonts folder and in
# fontconfig's folders, not where Debian's fonts-wine puts them: without
# them the dialogs' Tahoma falls back to another font and the title bar's
# buttons show letters. Tahoma and Microsoft Sans Serif have no CJK glyphs;
# the system's font links send those characters to Debian's WenQuanYi Micro
# Hei (tools/setup.sh installs both packages), as Windows links them to its
# own CJK fonts. The prefix's server must run; the links take effect for
# programs started after it.
quillon_dialog_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" cjk face
  cp /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true
  cjk=$(fc-match -f '%{file}' 'WenQuanYi Micro Hei' 2>/dev/null || true)
  case "$cjk" in
    *wqy-microhei*) ;;
    *) echo "no CJK font: Japanese and Chinese show as boxes" >&2; return 0 ;;
  esac
  local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI"; do
    wine reg add "$key" /v "$face" /t REG_MULTI_SZ /d "$(basename "$cjk"),WenQuanYi Micro Hei" /f \
      </dev/null >/dev/null 2>&1 || true
  done
}

# Builds (once) and runs the PE32 console probe tools/probe32.c in the current
# prefix. Returns 0 when it printed "32"; otherwise prints the reason and
# returns 1.
quillon_wine32_check() {
  local root probe output
  root=$(cd "$QUILLON_TOOLS/.." && pwd)
  probe="$root/.deps/probe32.exe"
  if [ ! -f "$probe" ] || [ "$root/tools/probe32.c" -nt "$probe" ]; then
    mkdir -p "$root/.deps"
    if ! i686-w64-mingw32-gcc-win32 -O2 -o "$probe" "$root/tools/probe32.c" 2>/dev/null; then
      echo "the 32-bit probe doesn't build (i686-w64-mingw32-gcc-win32)"
      return 1
    fi
  fi
  output=$(wine "$probe" </dev/null 2>&1 | tr -d '\r' | tail -n 1) || true
  if [ "$output" != 32 ]; then
    echo "Wine doesn't run a PE32 program here (the probe printed: ${output:-nothing})"
    return 1
  fi
}

quillon_wine_stop() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
}

# Shared set-up for running the launcher and its tests under Wine. Sourced by
# tools/test.sh, tools/demo.sh and the benchmarks; it only defines functions
# and runs nothing by itself.
#
#   quillon_on_display "$0" "$@"   runs the calling script again on a virtual display
#   quillon_wine_prefix_create DIR fresh Wine prefix in DIR (removed first); exports WINEPREFIX
#   quillon_throwaway_prefix NAME  a fresh prefix in a new temporary folder NAME.XXXXXX, whose
#                                  path is in QUILLON_THROWAWAY; the folder and the prefix's
#                                  processes go when the script ends
#   quillon_bench_program DIR NAME prints DIR/NAME.exe (a benchmark's program in a test build),
#                                  or says how to build it and returns 1
#   quillon_stick_map FOLDER [L]   drive L: (default S) of the prefix points at FOLDER
#                                  (restarts the prefix's server, so that the
#                                  volume \\.\L: opens as well)
#   quillon_dialog_fonts           gives the prefix Wine's own fonts (Tahoma, Marlett) and
#                                  links a CJK font to the dialogs' fonts
#   quillon_wine32_check           runs the 32-bit probe in the prefix; on failure
#                                  prints why and returns 1
#   quillon_wine_stop              ends the prefix's Wine processes
#
# Call quillon_wine_stop from an EXIT trap:  trap quillon_wine_stop EXIT

export WINEDEBUG=-all

# Runs the calling script again under xvfb-run, on a virtual display of its
# own, unless this script already runs on it. Call it first, as
#   quillon_on_display "$0" "$@"
# One display for the whole script, not one xvfb-run per command: the
# prefix's server and its desktop program keep the display they started on.
quillon_on_display() {
  [ "${QUILLON_ON_DISPLAY:-}" = "$1" ] && return 0
  # A new machine gets xvfb-run from the set-up first.
  command -v xvfb-run >/dev/null || "$(dirname "${BASH_SOURCE[0]}")/setup.sh" >&2
  export QUILLON_ON_DISPLAY=$1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
}

# Makes a fresh prefix in $1 (never the user's own ~/.wine) and keeps its
# wineserver running until quillon_wine_stop (or 10 minutes after the last
# Windows program, should the caller die without stopping it), so that each program start
# doesn't pay for a new server and the session's background programs
# (services, explorer) start once, here, with their output going nowhere: a
# background program that inherited a caller's pipe would keep it open (and
# ctest, or a "| head", waiting) for as long as the server runs. The Mono and
# Gecko installers are skipped: nothing here needs them, and their prompts
# would wait for a user.
quillon_wine_prefix_create() {
  local dir=$1
  case "$dir" in
    "" | "${HOME:-}/.wine" | "${HOME:-}/.wine/")
      echo "wine-env: refusing prefix '$dir'" >&2
      return 1
      ;;
  esac
  # A server left over from an earlier run of the same prefix goes first.
  if [ -d "$dir" ]; then
    WINEPREFIX="$dir" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$dir"
  fi
  mkdir -p "$dir"
  export WINEPREFIX
  WINEPREFIX=$(cd "$dir" && pwd)
  wineserver -p600 </dev/null >/dev/null 2>&1
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i </dev/null >/dev/null 2>&1 || true
  if ! wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' \
      </dev/null >/dev/null 2>&1; then
    echo "wine-env: wineboot failed in $WINEPREFIX" >&2
    return 1
  fi
  # Wine would start its desktop-menu builder for every shortcut saved; its
  # windows can stall the launcher's environment broadcast for seconds.
  wine reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d '' /f \
    </dev/null >/dev/null 2>&1 || true
  # The virtual display has no window manager: a window managed by one waits
  # 2 s at every close for the manager's answer that never comes (a message
  # box took 2.1 s to return after OK, 0.1 s unmanaged).
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    </dev/null >/dev/null 2>&1 || true
}

# Makes a temporary folder named after $1 and a fresh prefix in its "wine"
# subfolder, and sets an exit trap that stops the prefix's processes and
# removes the folder. The folder is in QUILLON_THROWAWAY.
quillon_throwaway_prefix() {
  QUILLON_THROWAWAY=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
  trap 'quillon_wine_stop; rm -rf "$QUILLON_THROWAWAY"' EXIT INT TERM
  quillon_wine_prefix_create "$QUILLON_THROWAWAY/wine"
}

quillon_bench_program() {
  if [ ! -f "$1/$2.exe" ]; then
    echo "$2: $1/$2.exe missing: cmake --build $1 --target $2" >&2
    return 1
  fi
  echo "$1/$2.exe"
}

# Points drive letter $2 (default S) of the prefix at folder $1.
quillon_stick_map() {
  local folder=$1 letter=${2:-s}
  letter=$(printf '%s' "$letter" | tr 'A-Z' 'a-z')
  mkdir -p "$folder"
  ln -sfn "$(cd "$folder" && pwd)" "$WINEPREFIX/dosdevices/${letter}:"
  # Wine's mount manager learns the drives when the server starts; until then
  # the drive's files open but its volume (\\.\S:) doesn't. A restarted
  # server knows it, as Windows knows a stick that was plugged in.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p600 </dev/null >/dev/null 2>&1
  # The session's background programs start again here, with their output
  # going nowhere (see quillon_wine_prefix_create).
  wine wineboot </dev/null >/dev/null 2>&1 || true
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
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
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

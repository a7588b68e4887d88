#!/usr/bin/env bash
# The demo: a start of the launcher from a sample stick, as a user would make
# it. Installs what is missing, builds, lays out build/demo-stick (the
# launcher at its root, the sample stick's settings and language files from
# standins/sample_stick: Japanese, English, Chinese), maps it
# as drive S: of a fresh Wine prefix (build/demo/wine) on a virtual display,
# starts S:\Quillon.exe, answers its message boxes with OK, and reports what
# the start did. The screen is saved as build/demo/screen.png: at the
# launcher's first window, or after its end when it showed none. Last, the
# release of the stick (tools/release.sh --build-dir build/x86) in
# build/demo/release: the stick
# laid out and checked, its sums and manifest, and the gallery that shows
# every dialog and message box in every language of the stick
# (build/demo/release/gallery/index.html). And the gallery again with the
# stick's pseudo-translation, for the people who make sticks
# (build/demo/pseudo/index.html, docs/sticks.md).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
quillon_on_display "$0" "$@"
cd "$root"
demo="$root/build/demo"
stick="$root/build/demo-stick"
timeout_s=${QUILLON_DEMO_TIMEOUT:-60}
log="$root/build/demo.log"

# step TEXT COMMAND...: one line for the step; the command's own output goes
# to the log, which is shown when the command fails.
step() {
  local text=$1
  shift
  echo "demo: $text"
  echo "== $text: $*" >>"$log"
  "$@" >>"$log" 2>&1 || {
    local status=$?
    tail -n 40 "$log" >&2
    echo "demo: $text failed (status $status); the whole log is $log" >&2
    exit "$status"
  }
}

mkdir -p "$root/build"
: >"$log"
step "set-up (tools/setup.sh)" tools/setup.sh
step "build of the product and the x86-64 test build" tools/build.sh x86 x64

# The product is 32-bit; Wine runs it only where its 32-bit part works
# (tools/setup.sh found out). Otherwise the demo starts the x86-64 test build,
# which is the same launcher (its test seams stay off without their variables).
launcher_exe="$root/build/x86/Quillon.exe"
if [ "$(cat "$root/.deps/wine32.status" 2>/dev/null)" != ok ]; then
  echo "demo: Wine can't run 32-bit programs here; starting the x86-64 build instead"
  launcher_exe="$root/build/x64/Quillon.exe"
fi

lay_out_stick() {
  rm -rf "$stick"
  tools/sample-stick.sh "$stick"
  cp "$launcher_exe" "$stick/Quillon.exe"
}

# Runs the launcher through demo_driver.exe and takes a screenshot whenever
# the driver asks for one (see tools/demo/demo_driver.cpp).
start_launcher() {
  local shots_win report_win
  shots_win=$(winepath -w "$demo/shots")
  report_win=$(winepath -w "$demo/driver-report.txt")
  # The viewer stand-in shows what it recorded for a few seconds, so that the
  # screenshot after the start shows the running viewer.
  export PORTICO_STANDIN_WINDOW=1
  wine "$root/build/x64/demo_driver.exe" --report "$report_win" --shots "$shots_win" \
    --timeout "$timeout_s" 'S:\Quillon.exe' </dev/null &
  local driver=$! n=1
  while kill -0 "$driver" 2>/dev/null; do
    if [ -f "$demo/shots/shot-$n.request" ]; then
      import -window root "$demo/shots/shot-$n.png" 2>/dev/null || true
      touch "$demo/shots/shot-$n.done"
      n=$((n + 1))
    fi
    sleep 0.1
  done
  driver_status=0
  wait "$driver" || driver_status=$?
  if [ -f "$demo/shots/shot-1.png" ]; then
    cp "$demo/shots/shot-1.png" "$demo/screen.png"
  else
    sleep 1
    import -window root "$demo/screen.png" 2>/dev/null || true
  fi
}

# What the start did. Each section reads one kind of outcome; later parts of
# the product add theirs here.
report() {
  echo "== demo start from $stick (as S:)"
  echo "-- launcher run"
  if [ -f "$demo/driver-report.txt" ]; then
    cat "$demo/driver-report.txt"
  else
    echo "no report: the driver ended with status $driver_status"
  fi
  # What the deployment left on the PC, read inside the prefix by
  # deploy_info.exe (tools/deploy_info).
  local info="$root/build/x64/deploy_info.exe"
  echo "-- deployed files (size, FileVersion, ProductVersion)"
  wine "$info" files </dev/null 2>&1 | tr -d '\r' || true
  echo "-- shortcut Quillon.lnk"
  wine "$info" link </dev/null 2>&1 | tr -d '\r' || true
  echo "-- user environment (HKCU\\Environment)"
  wine "$info" env </dev/null 2>&1 | tr -d '\r' || true
  echo "-- viewer record (Portico.record.txt: own path, command line, time, current folder)"
  wine "$info" record 10 </dev/null 2>&1 | tr -d '\r' || true
  echo "-- screenshot"
  if [ -f "$demo/screen.png" ]; then echo "$demo/screen.png"; else echo "none taken"; fi
  echo "-- the release of this stick, with every dialog in every language (tools/release.sh)"
  local gallery="$demo/release/gallery"
  if [ "$gallery_status" -eq 0 ] && [ -f "$gallery/index.html" ]; then
    echo "$gallery/index.html ($(ls "$gallery"/*.png | wc -l) pictures)"
    echo "stick checker: $(grep -c '^error:' "$gallery/findings.txt" || true) errors," \
      "$(grep -c '^warning:' "$gallery/findings.txt" || true) warnings" \
      "($gallery/findings.txt)"
    head -n 1 "$demo/release/MANIFEST"
    grep ' stick/Quillon.exe$' "$demo/release/SHA256SUMS"
    echo "$demo/release: stick/, SHA256SUMS ($(wc -l <"$demo/release/SHA256SUMS") files), MANIFEST," \
      "$(cd "$demo/release" && ls *.buildinfo)"
  else
    echo "the release failed (status $gallery_status): see $demo/release.log"
  fi
  echo "-- the pseudo-translation's row, not for users (tools/gallery.sh --pseudo)"
  if [ "$pseudo_status" -eq 0 ]; then
    echo "$demo/pseudo/index.html (row 4-0501, $(ls "$demo/pseudo"/4-0501-*.png | wc -l) pictures)"
    echo "texts that need more room: $(grep -c '^error: .cfg.0501.cfg' "$demo/pseudo/findings.txt" || true)"
  else
    echo "the pseudo gallery failed (status $pseudo_status): see $demo/pseudo.log"
  fi
}

rm -rf "$demo"
mkdir -p "$demo/shots"
lay_out_stick

trap quillon_wine_stop EXIT
step "a fresh Wine prefix with the stick as S:" quillon_wine_prefix_create "$demo/wine" "s=$stick"

echo "demo: start of S:\Quillon.exe ($(basename "$(dirname "$launcher_exe")") build)"
driver_status=0
start_launcher

# The release of the same stick (tools/release.sh): the product build's
# program, the stick checked, its gallery (in a prefix and on a display of its
# own), the sums and the manifest.
echo "demo: release of the stick, with its gallery (tools/release.sh)"
gallery_status=0
# The checker and gallery of the build made above.
export QUILLON_STICK_CHECK="$root/build/x64/stick_check.exe"
tools/release.sh --build-dir build/x86 "$stick/.cfg" "$demo/release" >"$demo/release.log" 2>&1 ||
  gallery_status=$?
echo "demo: the stick's pseudo-translation row (tools/gallery.sh --pseudo)"
pseudo_status=0
tools/gallery.sh --pseudo "$stick" "$demo/pseudo" >"$demo/pseudo.log" 2>&1 || pseudo_status=$?
echo "demo: report"
report | tee "$demo/report.txt"
echo "demo: the set-up's and build's output: $log; the release's: $demo/release.log"
exit "$driver_status"

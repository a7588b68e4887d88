# The shipped program's build and its sources, as the release
# (tools/release.sh) and the rebuild check (tools/reproduce.sh) see them.
# Sourced; it only defines functions.
#
#   quillon_product_build DIR   returns 0 when DIR is this tree's build of the product (the
#                               preset x86: no tests, no coverage), holds Quillon.exe and
#                               records its version, xz source and tools (cmake/*.cmake);
#                               otherwise says why on standard error and returns 1
#   quillon_cached DIR NAME     prints the value of NAME in DIR's CMake cache
#   quillon_components DIR      prints the folder of the components that build DIR embeds
#   quillon_component_rows DIR  prints the release's line of each payload of build DIR:
#                               "component RESOURCE FILE SIZE SHA256 PACKED_SIZE", in the
#                               component table's order (the packed size: that of the
#                               stream in the program); returns 1 when a stream is missing
#   quillon_packages FILE...    prints "PACKAGE (= VERSION)" for each Debian package that
#                               holds one of FILE... (links followed), sorted, once each;
#                               names on standard error each file that none holds, and
#                               returns 1
#   quillon_sources             prints the sources, NUL-separated, relative to the tree's
#                               root: the files that git tracks or would add (a build
#                               compiles every .cpp of a library's folder, tracked or not)
#   quillon_sources_tree        prints the git tree of the sources as git would store them
#                               (nothing when the folder isn't a git checkout)
#   quillon_sources_state       prints the commit, "with local changes" added when the
#                               sources, as git would store them, aren't its tree: a file
#                               changed, removed or not tracked (and not ignored) is one

QUILLON_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)

quillon_cached() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt" 2>/dev/null; }

quillon_product_build() {
  local dir=$1
  # A test build's launcher reads test switches; another tree's is other sources.
  if [ ! -f "$dir/CMakeCache.txt" ] ||
     [ "$(quillon_cached "$dir" CMAKE_HOME_DIRECTORY)" != "$QUILLON_ROOT" ] ||
     [ "$(quillon_cached "$dir" CMAKE_TOOLCHAIN_FILE)" != "$QUILLON_ROOT/cmake/mingw-i686.cmake" ] ||
     [ "$(quillon_cached "$dir" QUILLON_TESTS)" = ON ] ||
     [ "$(quillon_cached "$dir" QUILLON_COVERAGE)" = ON ]; then
    echo "$dir is not a build of this tree's product (the preset x86, without tests or coverage)" >&2
    return 1
  fi
  local name
  for name in QUILLON_VERSION QUILLON_XZ_SOURCE QUILLON_BUILD_FILES; do
    if [ -z "$(quillon_cached "$dir" "$name")" ]; then
      echo "$dir records no $name, which a release names: configure it again" >&2
      return 1
    fi
  done
  if [ ! -f "$dir/Quillon.exe" ]; then
    echo "$dir holds no Quillon.exe: build it first (cmake --build $dir)" >&2
    return 1
  fi
  # Every build writes the tree it was made from (cmake/build_record.cmake):
  # a program built before the last edit or commit would be named wrongly.
  local made now
  made=$(cat "$dir/sources.tree" 2>/dev/null) || true
  now=$(quillon_sources_tree)
  if [ -z "$made" ] || [ "$made" != "$now" ]; then
    echo "$dir's Quillon.exe wasn't built from the sources as they are now: build it again" \
      "(cmake --build $dir)" >&2
    return 1
  fi
}

quillon_components() {
  local dir
  dir=$(quillon_cached "$1" QUILLON_COMPONENTS_DIR)
  [ -n "$dir" ] || dir=$(quillon_cached "$1" QUILLON_STANDIN_COMPONENTS_DIR)
  echo "$dir"
}

quillon_component_rows() {
  local build=$1 components resource file stream
  components=$(quillon_components "$build")
  while read -r resource file _; do
    stream="$build/payloads/$(printf '%s' "$resource" | tr 'a-z' 'A-Z').lzma"
    [ -f "$stream" ] || { echo "no packed stream for $resource in $build" >&2; return 1; }
    echo "component $resource $file $(wc -c <"$components/$file" | tr -d ' ')" \
      "$(sha256sum <"$components/$file" | cut -d' ' -f1) $(wc -c <"$stream" | tr -d ' ')"
  done <"$build/payloads/components.txt"
}

quillon_packages() {
  local file owner owners=() status=0
  for file in "$@"; do
    # "PACKAGE[:ARCH][, PACKAGE...]: PATH", after any "diversion by ..." lines.
    owner=$(dpkg-query -S "$(readlink -f "$file")" 2>/dev/null | grep -v '^diversion ' |
      sed -n '1 { s/: .*//; s/:[^ ,]*//g; s/, / /g; p }')
    if [ -z "$owner" ]; then
      echo "$file: no Debian package holds it" >&2
      status=1
    else
      owners+=($owner)
    fi
  done
  [ ${#owners[@]} -eq 0 ] ||
    dpkg-query -W -f='${Package} (= ${Version})\n' $(printf '%s\n' "${owners[@]}" | sort -u) |
    LC_ALL=C sort
  return $status
}

# quillon_sources_index INDEX: the sources as git would store them, every file
# that it tracks or would add, in the index file INDEX of their own; both
# functions below read it, so that what a build copies and what a record
# calls clean are one rule, whatever git's settings show or hide.
quillon_sources_index() {
  rm -f "$1"
  GIT_INDEX_FILE=$1 git -C "$QUILLON_ROOT" add -A
}

quillon_sources() {
  local index
  index=$(mktemp -u "${TMPDIR:-/tmp}/quillon-index.XXXXXX")
  quillon_sources_index "$index" && GIT_INDEX_FILE=$index git -C "$QUILLON_ROOT" ls-files -z
  rm -f "$index"
}

quillon_sources_tree() {
  local index
  # A copy of the sources inside another checkout is no checkout of its own.
  [ "$(git -C "$QUILLON_ROOT" rev-parse --show-toplevel 2>/dev/null)" = "$QUILLON_ROOT" ] || return 0
  index=$(mktemp -u "${TMPDIR:-/tmp}/quillon-index.XXXXXX")
  quillon_sources_index "$index" && GIT_INDEX_FILE=$index git -C "$QUILLON_ROOT" write-tree
  rm -f "$index"
}

quillon_sources_state() {
  local commit tree
  commit=$(git -C "$QUILLON_ROOT" rev-parse HEAD 2>/dev/null) || { echo unknown; return; }
  tree=$(quillon_sources_tree)
  if [ "$tree" = "$(git -C "$QUILLON_ROOT" rev-parse "$commit^{tree}")" ]; then
    echo "$commit"
  else
    echo "$commit with local changes"
  fi
}

# Builds that depend only on their sources: the same sources and components
# give the same Quillon.exe in any folder, at any time (tools/reproduce.sh
# checks it). Included by the top-level CMakeLists.txt before any target.

# The linker would write the time of the link into the PE header (and into
# the resource directory); every program, library and component stand-in
# gets zero instead. The stand-ins are payloads of the launcher, so their
# bytes are the launcher's too.
add_link_options(-Wl,--no-insert-timestamp)

# No build paths in the objects (__FILE__, debug information): the source
# tree, the build folder and the xz tree become relative names. GCC takes the
# last matching map, so the inner folders come after the source tree.
get_filename_component(quillon_xz_real "${QUILLON_XZ_SOURCE_DIR}" REALPATH)
foreach(map
    "${CMAKE_SOURCE_DIR}/="
    "${CMAKE_BINARY_DIR}/=build/"
    "${quillon_xz_real}/=xz/"
    "${QUILLON_XZ_SOURCE_DIR}/=xz/")
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${map}>")
endforeach()

# Static libraries without member times, owners or modes, whatever the
# host's ar does by default.
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()

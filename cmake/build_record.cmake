# What a build records for its release (tools/release.sh reads the cache):
# QUILLON_BUILD_FILES, the files that made its programs, whose Debian packages
# the release names: the compilers, binutils (windres among them), CMake and
# its modules, the packer's compilers, and the runtime, C++ library, import
# libraries and Windows headers that the compilers take. Included last by the
# top-level CMakeLists.txt, when every tool is known. (The version, the
# product's name and the xz source are recorded where they are set.)
set(files)
foreach(tool CMAKE_C_COMPILER CMAKE_CXX_COMPILER CMAKE_RC_COMPILER CMAKE_LINKER CMAKE_AR
             CMAKE_COMMAND QUILLON_HOST_C_COMPILER QUILLON_HOST_CXX_COMPILER)
  # A toolchain file may name a tool without its folder.
  unset(file)
  find_program(file "${${tool}}" NO_CACHE REQUIRED)
  list(APPEND files "${file}")
endforeach()
list(APPEND files "${CMAKE_ROOT}/Modules/CMakeRCInformation.cmake")
foreach(probe -print-libgcc-file-name -print-file-name=libstdc++.a -print-file-name=libkernel32.a)
  execute_process(COMMAND "${CMAKE_CXX_COMPILER}" ${probe}
    OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE)
  list(APPEND files "${file}")
endforeach()
foreach(dir ${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES})
  if(EXISTS "${dir}/windows.h")
    list(APPEND files "${dir}/windows.h")
    break()
  endif()
endforeach()
set(QUILLON_BUILD_FILES "${files}" CACHE INTERNAL "The files of the build's tools")

# The sources that the product's program was made from, as the git tree of
# the files that git tracks or would add (tools/product.sh), written after
# every build in sources.tree: a release refuses a program that is older than
# the sources it would name. Empty outside a git checkout.
if(NOT QUILLON_TESTS)
  add_custom_target(quillon_sources_record ALL
    COMMAND bash -c "source \"$1/tools/product.sh\" && quillon_sources_tree >\"$2.new\" && mv \"$2.new\" \"$2\""
            _ "${CMAKE_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/sources.tree"
    BYPRODUCTS "${CMAKE_BINARY_DIR}/sources.tree"
    VERBATIM)
  add_dependencies(quillon_sources_record Quillon)
endif()

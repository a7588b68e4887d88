# quillon_library(<name> [DEPS <our libraries>...] [LIBS <other libraries>...])
#
# One static library per folder: the .cpp files of the folder that calls it,
# not of its sub-folders (a sub-folder is a library of its own). The folders
# are added lowest layer first (the top-level CMakeLists.txt, the README's
# list of layers), and the rules below keep them layered:
#   - every library named in DEPS must exist already, so a library can only
#     use the layers below it;
#   - every quoted #include in the folder's sources and headers must name a
#     file of the folder itself or of a folder named in DEPS, so each library
#     declares what it uses and no library reaches up.
# A breach stops the configure step and names the file and the include.
function(quillon_library name)
  cmake_parse_arguments(A "" "" "DEPS;LIBS" ${ARGN})
  file(RELATIVE_PATH here "${CMAKE_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
  set(allowed "${here}")
  foreach(dep ${A_DEPS})
    get_property(folder GLOBAL PROPERTY QUILLON_FOLDER_OF_${dep})
    if(NOT TARGET ${dep} OR NOT folder)
      message(FATAL_ERROR "${here}: ${name} uses ${dep}, which is not a library of a lower layer")
    endif()
    list(APPEND allowed "${folder}")
  endforeach()

  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  file(GLOB headers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  foreach(file ${sources} ${headers})
    file(STRINGS "${file}" includes REGEX "^#include \"")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"(.*)\".*$" "\\1" included "${line}")
      get_filename_component(folder "${included}" DIRECTORY)
      list(FIND allowed "${folder}" found)
      if(found LESS 0)
        file(RELATIVE_PATH shown "${CMAKE_SOURCE_DIR}" "${file}")
        message(FATAL_ERROR "${shown}: includes ${included}, but ${name} (${here}) "
                            "declares no library of that folder")
      endif()
    endforeach()
  endforeach()

  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC quillon_options ${A_DEPS} ${A_LIBS})
  target_compile_options(${name} PRIVATE ${QUILLON_COVERAGE_FLAGS})
  # The platform's headers take most of a source file's compile: the first
  # library precompiles them, and the others use its header.
  get_property(precompiled GLOBAL PROPERTY QUILLON_PRECOMPILED)
  if(precompiled)
    target_precompile_headers(${name} REUSE_FROM ${precompiled})
  else()
    target_precompile_headers(${name} PRIVATE <windows.h> <string> <vector>)
    set_property(GLOBAL PROPERTY QUILLON_PRECOMPILED ${name})
  endif()
  set_property(GLOBAL PROPERTY QUILLON_FOLDER_OF_${name} "${here}")
  set_property(GLOBAL APPEND PROPERTY QUILLON_LIBRARIES ${name})
endfunction()

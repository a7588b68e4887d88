# The launcher's image flags: after the link, and so before tools/sign.sh
# signs the build's program, tools/image_flags sets the flags that make
# Windows copy the whole image to the page file before it runs from a stick or
# a network share (GNU ld has no option for them). The step is a program for
# the build host, one source file built with the host's compiler that the
# packer's build uses too (QUILLON_HOST_CXX_COMPILER), which the release names.
#
# Included after the launcher's target, Quillon.

set(QUILLON_IMAGE_FLAGS "${CMAKE_BINARY_DIR}/host/image_flags")
set(image_flags_source "${CMAKE_SOURCE_DIR}/tools/image_flags/image_flags.cpp")
file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/host")
add_custom_command(OUTPUT "${QUILLON_IMAGE_FLAGS}"
  COMMAND "${QUILLON_HOST_CXX_COMPILER}" -std=c++17 -O2 -Wall -Wextra -Werror -o "${QUILLON_IMAGE_FLAGS}"
          "${image_flags_source}"
  DEPENDS "${image_flags_source}"
  COMMENT "Building the host's image-flags step (tools/image_flags)"
  VERBATIM)
add_custom_target(quillon_image_flags DEPENDS "${QUILLON_IMAGE_FLAGS}")

add_dependencies(Quillon quillon_image_flags)
# A new step links the launcher anew, so that it runs again.
set_property(TARGET Quillon APPEND PROPERTY LINK_DEPENDS "${QUILLON_IMAGE_FLAGS}")
add_custom_command(TARGET Quillon POST_BUILD
  COMMAND "${QUILLON_IMAGE_FLAGS}" "$<TARGET_FILE:Quillon>"
  COMMENT "Setting the launcher's image flags"
  VERBATIM)

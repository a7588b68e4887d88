# The launcher's version (the project's) and product name, in the forms that
# their readers take. Included by the top-level CMakeLists.txt after
# quillon_options, whose users (the launcher, the checker, the tests) find the
# generated files on their include path.
#   QUILLON_VERSION_NUMBERS  the four numbers with commas (1,2,3,4 for 1.2.3.4),
#                            for version blocks (the stand-ins)
#   QUILLON_VERSION_TEXT     the FileVersion text ("1, 2, 3, 4"), which the log
#                            header reads back
#   <build>/generated/quillon_version.h
#                            both, the dotted version and the product name,
#                            for the resource script and the tests
#   <build>/generated/quillon.manifest
#                            the launcher's manifest (resources/quillon.manifest.in)
#   QUILLON_VERSION, QUILLON_PRODUCT_NAME in the cache, where tools/release.sh
#                            and tools/sign.sh read a build's
string(REPLACE "." "," QUILLON_VERSION_NUMBERS "${PROJECT_VERSION}")
string(REPLACE "." ", " QUILLON_VERSION_TEXT "${PROJECT_VERSION}")
set(QUILLON_VERSION "${PROJECT_VERSION}" CACHE INTERNAL "The launcher's version")
set(QUILLON_PRODUCT_NAME "${QUILLON_PRODUCT_NAME}" CACHE INTERNAL "The product's name")

set(quillon_generated "${CMAKE_BINARY_DIR}/generated")
file(CONFIGURE OUTPUT "${quillon_generated}/quillon_version.h" @ONLY CONTENT [[
// The launcher's version and product name, from the top-level CMakeLists.txt.
#define QUILLON_VERSION_NUMBERS @QUILLON_VERSION_NUMBERS@
#define QUILLON_VERSION_TEXT "@QUILLON_VERSION_TEXT@"
#define QUILLON_VERSION_DOTTED "@PROJECT_VERSION@"
#define QUILLON_PRODUCT_NAME "@QUILLON_PRODUCT_NAME@"
]])
configure_file("${CMAKE_SOURCE_DIR}/resources/quillon.manifest.in"
               "${quillon_generated}/quillon.manifest" @ONLY)
target_include_directories(quillon_options INTERFACE "${quillon_generated}")

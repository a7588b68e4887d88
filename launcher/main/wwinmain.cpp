// The launcher's entry point: restricts the library search, then runs a start.
#include <windows.h>

#include "launcher/launch.h"
#include "support/system_library.h"

#if defined(QUILLON_SEAMS_FROM_ENVIRONMENT)
namespace quillon {
void InstallSeamsFromEnvironment();
}
#endif

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a library: never from the stick or the current folder.
  quillon::RestrictLibrarySearchToSystemFolder();
#if defined(QUILLON_SEAMS_FROM_ENVIRONMENT)
  quillon::InstallSeamsFromEnvironment();
#endif
  return quillon::RunLauncher();
}

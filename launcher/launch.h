// The launcher's start, from the first step to the last.
#ifndef QUILLON_LAUNCHER_LAUNCH_H_
#define QUILLON_LAUNCHER_LAUNCH_H_

#include <windows.h>

#include <cstddef>

#include "launcher/module_paths.h"

namespace quillon {

// Runs one start. Always returns 0 (the exit code carries no information);
// what went wrong has been told to the user in a message box.
int RunLauncher();

// True when Version_check in section Quillon of the settings file
// |settings_path| reads "Disable" in any case; a missing file, section, key or
// any other value gives false.
bool IsVersionCheckDisabled(const wchar_t* settings_path);

}  // namespace quillon

#endif  // QUILLON_LAUNCHER_LAUNCH_H_

// The launcher's start, from the first step to the last, and the two path
// functions that every part uses to find the stick.
#ifndef QUILLON_LAUNCHER_LAUNCH_H_
#define QUILLON_LAUNCHER_LAUNCH_H_

#include <windows.h>

#include <cstddef>

namespace quillon {

// Runs one start. Always returns 0 (the exit code carries no information);
// what went wrong has been told to the user in a message box.
int RunLauncher();

// The drive and folder of the program's own file with a trailing backslash
// (E:\ for E:\Quillon.exe), in a 260-character static buffer overwritten by
// each call. Its first character is the stick's drive letter. Null when the
// module path can't be read or split.
const wchar_t* GetModuleFolder();

// The program's own path with everything from its last "." replaced by ".ini"
// (".ini" appended when there is no "."), in a 260-character static buffer
// overwritten by each call. Null when the path can't be read or doesn't fit.
const wchar_t* GetModuleIniPath();

// The folder part (drive and directory, with its trailing separator) of the
// file path |path|, split as the C runtime splits paths, into |folder| of
// |capacity| characters. False, with |folder| empty, when the directory, the
// file name or the extension is longer than 255 characters or the folder
// doesn't fit.
bool ModuleFolderFromPath(const wchar_t* path, wchar_t* folder, size_t capacity);

// True when |path| begins with a drive letter and a colon ("E:..."). A start
// from a path without one (a network path) has no stick drive to build on.
bool IsDriveLetterPath(const wchar_t* path);

// True when Version_check in section Quillon of the settings file
// |settings_path| reads "Disable" in any case; a missing file, section, key or
// any other value gives false.
bool IsVersionCheckDisabled(const wchar_t* settings_path);

}  // namespace quillon

#endif  // QUILLON_LAUNCHER_LAUNCH_H_

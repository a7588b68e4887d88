// The launcher's start, from the first step to the last, and the two path
// functions that every part uses to find the stick.
#ifndef QUILLON_LAUNCHER_LAUNCH_H_
#define QUILLON_LAUNCHER_LAUNCH_H_

#include <windows.h>

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

}  // namespace quillon

#endif  // QUILLON_LAUNCHER_LAUNCH_H_

// The two path functions that every part uses to find the stick: the
// program's own folder (whose first character is the stick's drive letter)
// and the settings file beside the program.
#ifndef QUILLON_LAUNCHER_PATHS_MODULE_PATHS_H_
#define QUILLON_LAUNCHER_PATHS_MODULE_PATHS_H_

#include <windows.h>

#include "support/path_buffer.h"

namespace quillon {

// The program's own full path (GetModuleFileNameW of the program) into
// |path|. False, with |path| empty, when it can't be read or was cut to fit
// 260 characters: a cut path would name another file.
bool ReadOwnPath(PathBuffer* path);

// Test seam (support/scoped_override.h): null reads the system's answer;
// otherwise ReadOwnPath gives this text (empty: the path can't be read).
// Wine starts no program from a path of 260 characters or more, so no start
// can meet an own path that can't be read.
extern const wchar_t* g_own_path_for_testing;

// The drive and folder of the program's own file with a trailing backslash
// (E:\ for E:\Quillon.exe), in a 260-character static buffer overwritten by
// each call. Its first character is the stick's drive letter. Null when the
// module path can't be read or split.
const wchar_t* GetModuleFolder();

// The program's own path with everything from its last "." replaced by ".ini"
// (".ini" appended when there is no "."), in a 260-character static buffer
// overwritten by each call. Null when the path can't be read or doesn't fit.
const wchar_t* GetModuleIniPath();

// The settings path for the program path |path| into |ini_path|: everything
// from the last "." of the whole path (a folder's too) replaced by ".ini",
// ".ini" appended when there is no ".". False, with |ini_path| empty, when it
// doesn't fit.
bool ModuleIniPathFromPath(const wchar_t* path, PathBuffer* ini_path);

// The folder part (drive and directory, with its trailing separator) of the
// file path |path|, split as the C runtime splits paths, into |folder|. False,
// with |folder| empty, when the directory, the file name or the extension is
// longer than 255 characters.
bool ModuleFolderFromPath(const wchar_t* path, PathBuffer* folder);

// True when |path| begins with a drive letter and a colon ("E:..."). A start
// from a path without one (a network path) has no stick drive to build on.
bool IsDriveLetterPath(const wchar_t* path);

}  // namespace quillon

#endif  // QUILLON_LAUNCHER_PATHS_MODULE_PATHS_H_

// The stick's files, in one place. Every path on the stick is built from its
// drive letter, the first character of the module folder; the stick keeps its
// files in the folder .cfg at its root.
#ifndef QUILLON_LAUNCHER_PATHS_STICK_PATHS_H_
#define QUILLON_LAUNCHER_PATHS_STICK_PATHS_H_

#include <windows.h>

#include "support/path_buffer.h"

namespace quillon {

// The section of every key that the launcher reads from the stick settings
// file and from the language files.
extern const wchar_t kStickSection[];  // L"Quillon"

// The stick's folder at its root, and the two files in it that the launcher reads.
constexpr wchar_t kStickConfigFolder[] = L".cfg\\";
constexpr wchar_t kStickSettingsName[] = L"Setting.ini";
constexpr wchar_t kLanguageIndexName[] = L"Language.cfg";

// The keys of the stick settings file. VT_Parameter and AutoUpdateURL are
// read into kStickSettingCapacity characters: longer values are cut to 255.
constexpr wchar_t kVersionCheckKey[] = L"Version_check";
constexpr wchar_t kParameterKey[] = L"VT_Parameter";
constexpr wchar_t kAutoUpdateUrlKey[] = L"AutoUpdateURL";
constexpr DWORD kStickSettingCapacity = 256;

// "<drive>:\.cfg\<name>". False (path empty) when it doesn't fit.
bool StickConfigPath(wchar_t drive, const wchar_t* name, PathBuffer* path);
// The stick settings file "<drive>:\.cfg\Setting.ini".
bool StickSettingsPath(wchar_t drive, PathBuffer* path);
// The language index at the stick's root, "<drive>:\.cfg\Language.cfg".
bool StickLanguageIndexPath(wchar_t drive, PathBuffer* path);
// The language index of the program's own folder: |module_folder| (with its
// trailing backslash) followed by ".cfg\Language.cfg".
bool FolderLanguageIndexPath(const wchar_t* module_folder, PathBuffer* path);

// Reads |key| of section Quillon of the stick settings file into |value| of
// |capacity| characters (at least 1), as the profile functions read: default
// empty, a missing file or key is no error, a longer value is cut to
// |capacity| - 1 characters. Returns the length read.
DWORD ReadStickSetting(wchar_t drive, const wchar_t* key, wchar_t* value, DWORD capacity);

}  // namespace quillon

#endif  // QUILLON_LAUNCHER_PATHS_STICK_PATHS_H_

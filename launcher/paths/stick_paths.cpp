#include "launcher/paths/stick_paths.h"

namespace quillon {

const wchar_t kStickSection[] = L"Quillon";

bool StickConfigPath(wchar_t drive, const wchar_t* name, PathBuffer* path) {
  return path->Format(L"%c:\\%s%s", drive, kStickConfigFolder, name);
}

bool StickSettingsPath(wchar_t drive, PathBuffer* path) {
  return StickConfigPath(drive, kStickSettingsName, path);
}

bool StickLanguageIndexPath(wchar_t drive, PathBuffer* path) {
  return StickConfigPath(drive, kLanguageIndexName, path);
}

bool FolderLanguageIndexPath(const wchar_t* module_folder, PathBuffer* path) {
  return path->Format(L"%s%s%s", module_folder, kStickConfigFolder, kLanguageIndexName);
}

DWORD ReadStickSetting(wchar_t drive, const wchar_t* key, wchar_t* value, DWORD capacity) {
  value[0] = L'\0';
  PathBuffer settings;
  // Without a path there is no file: the key reads as its default.
  if (!StickSettingsPath(drive, &settings))
    return 0;
  return ::GetPrivateProfileStringW(kStickSection, key, L"", value, capacity, settings.Get());
}

}  // namespace quillon

// The stick settings file Setting.ini: its keys and their values.
#include "launcher/launch.h"
#include "launcher/paths/stick_paths.h"
#include "tools/stick_check/stick_files.h"

namespace stick_check {

void CheckSettingsFile(const std::wstring& folder, Findings* findings) {
  using namespace quillon;
  const StickFile file = FileIn(folder, kStickSettingsName, findings);
  if (!Exists(file.path))
    return;
  CheckSections(file, {kStickSection});
  CheckEncoding(file);
  const std::vector<std::wstring> known = {kVersionCheckKey, kParameterKey, kAutoUpdateUrlKey};
  for (const std::wstring& key : KeyNames(kStickSection, file.path)) {
    if (!Contains(known, key)) {
      file.Add(kWarning, kStickSection, key,
               L"the launcher knows no such setting" + Suggestion(key, known));
    }
  }
  const std::wstring version_check = ReadValue(kStickSection, kVersionCheckKey, file.path);
  if (!version_check.empty() && !IsVersionCheckDisabled(file.path.c_str())) {
    file.Add(kWarning, kStickSection, kVersionCheckKey,
             Quote(version_check) +
                 L" does nothing: only \"Disable\" lets unsupported Windows versions start");
  }
  const std::wstring parameter = ReadValue(kStickSection, kParameterKey, file.path);
  if (parameter.size() >= kStickSettingCapacity) {
    file.Add(kError, kStickSection, kParameterKey,
             std::to_wstring(parameter.size()) +
                 L" characters: the launcher passes on the first 255 (environment and check-box "
                 L"label)");
  }
  file.Add(kNote, kStickSection, kAutoUpdateUrlKey,
           ReadValue(kStickSection, kAutoUpdateUrlKey, file.path).empty()
               ? std::wstring(L"empty: the set-up question offers no automatic update")
               : L"set: the set-up question offers automatic update with version check (only "
                 L"whether it is empty matters to the launcher)");
}

}  // namespace stick_check

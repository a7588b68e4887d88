#include "userenv/user_environment.h"

#include <windows.h>

#include <cwchar>

#include "launcher/paths/module_paths.h"
#include "launcher/paths/stick_paths.h"
#include "support/handles.h"

namespace quillon {
namespace {

constexpr wchar_t kEnvironmentKey[] = L"Environment";
constexpr DWORD kBroadcastTimeoutMs = 5000;

// Opens HKCU\Environment (never creates it) and writes |name| = |value| as
// REG_SZ with its terminator. A key that can't be opened leaves the value out.
void WriteEnvironmentValue(const wchar_t* name, const wchar_t* value) {
  RegKey key;
  if (OpenRegKey(HKEY_CURRENT_USER, kEnvironmentKey, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return;
  DWORD bytes = static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t));
  ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
}

}  // namespace

void PublishUserEnvironment() {
  PublishUserEnvironmentFor(GetModuleFolder());
}

void PublishUserEnvironmentFor(const wchar_t* module_folder) {
  // Without the program's folder there is no stick drive to publish.
  if (!module_folder || module_folder[0] == L'\0')
    return;

  // The drive letter keeps the case in which the module path gives it.
  wchar_t drive[] = L"x:";
  drive[0] = module_folder[0];
  WriteEnvironmentValue(L"Portico", drive);

  // A missing file or key gives an empty value, which is written too.
  wchar_t parameter[kStickSettingCapacity] = {};
  ReadStickSetting(drive[0], kParameterKey, parameter, kStickSettingCapacity);
  WriteEnvironmentValue(L"VT_Parameter", parameter);

  // Running programs (the shell above all) read the new values on this
  // notice; hung windows are skipped.
  DWORD_PTR answer = 0;
  ::SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                        reinterpret_cast<LPARAM>(kEnvironmentKey), SMTO_ABORTIFHUNG,
                        kBroadcastTimeoutMs, &answer);
}

}  // namespace quillon

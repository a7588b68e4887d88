#include "localization/locale_setting.h"

#include "launcher/paths/module_paths.h"
#include "support/ascii_text.h"

namespace quillon {
namespace {

constexpr DWORD kCodeCapacity = 64;

}  // namespace

LCID LocaleForCode(const wchar_t* code) {
  if (EqualsIgnoringAsciiCase(code, L"EN"))
    return 0x0409;
  if (EqualsIgnoringAsciiCase(code, L"SC"))
    return 0x0804;
  if (EqualsIgnoringAsciiCase(code, L"JP"))
    return 0x0011;
  return 0;
}

void ApplyLocaleSetting() {
  // Without the path there is no file to read (an empty name would make the
  // profile functions read win.ini).
  const wchar_t* settings_path = GetModuleIniPath();
  if (settings_path)
    ApplyLocaleSettingFrom(settings_path);
}

void ApplyLocaleSettingFrom(const wchar_t* settings_path) {
  wchar_t code[kCodeCapacity] = {};
  ::GetPrivateProfileStringW(L"Locale", L"Language", L"", code, kCodeCapacity, settings_path);
  const LCID locale = LocaleForCode(code);
  // Whether the system takes the locale isn't looked at.
  if (locale != 0)
    ::SetThreadLocale(locale);
}

}  // namespace quillon

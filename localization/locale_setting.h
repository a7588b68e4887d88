// The thread locale from the settings file beside the program: section
// Locale, key Language.
#ifndef QUILLON_LOCALIZATION_LOCALE_SETTING_H_
#define QUILLON_LOCALIZATION_LOCALE_SETTING_H_

#include <windows.h>

namespace quillon {

// The first step of a start: reads the module settings file and, when it
// names one of the three known languages, sets the thread's locale. Any other
// value, a missing key or file, or a settings path that can't be had leave
// the locale alone. Reports nothing.
void ApplyLocaleSetting();

// ApplyLocaleSetting with the settings file |settings_path|.
void ApplyLocaleSettingFrom(const wchar_t* settings_path);

// The locale that the value |code| of the Language key names, compared
// without regard to case: "EN" 0x0409, "SC" 0x0804, "JP" 0x0011 (the
// language-neutral Japanese locale). 0 for anything else.
LCID LocaleForCode(const wchar_t* code);

}  // namespace quillon

#endif  // QUILLON_LOCALIZATION_LOCALE_SETTING_H_

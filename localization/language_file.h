// The language file in use.
#ifndef QUILLON_LOCALIZATION_LANGUAGE_FILE_H_
#define QUILLON_LOCALIZATION_LANGUAGE_FILE_H_

#include <windows.h>

namespace quillon {

// Path of the language file whose section Quillon the message lookups read.
// Empty until a language file has been resolved: texts then come from the
// program's string table.
extern wchar_t CurrentLanguageFile[MAX_PATH];

}  // namespace quillon

#endif  // QUILLON_LOCALIZATION_LANGUAGE_FILE_H_

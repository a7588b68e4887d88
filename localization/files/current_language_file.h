// CurrentLanguageFile: the path of the language file whose section Quillon
// every text lookup reads. One process-wide value: the language resolution
// writes it at start and after a language change; the text lookups read it.
#ifndef QUILLON_LOCALIZATION_FILES_CURRENT_LANGUAGE_FILE_H_
#define QUILLON_LOCALIZATION_FILES_CURRENT_LANGUAGE_FILE_H_

#include "support/path_buffer.h"

namespace quillon {

// The path, never null; empty until a language file has been resolved (texts
// then come from the program's string table). Valid until the next
// SetCurrentLanguageFile.
const wchar_t* CurrentLanguageFile();

// Stores |path|. False, with the value left empty, when |path| is null or
// longer than 259 characters.
bool SetCurrentLanguageFile(const wchar_t* path);

}  // namespace quillon

#endif  // QUILLON_LOCALIZATION_FILES_CURRENT_LANGUAGE_FILE_H_

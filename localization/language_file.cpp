#include "localization/language_file.h"

namespace quillon {

wchar_t CurrentLanguageFile[MAX_PATH] = {};

}  // namespace quillon

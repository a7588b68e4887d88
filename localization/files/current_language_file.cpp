#include "localization/files/current_language_file.h"

namespace quillon {
namespace {
PathBuffer g_current_language_file;
}  // namespace

const wchar_t* CurrentLanguageFile() {
  return g_current_language_file.Get();
}

bool SetCurrentLanguageFile(const wchar_t* path) {
  return g_current_language_file.Assign(path);
}

}  // namespace quillon

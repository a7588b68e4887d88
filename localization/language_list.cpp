#include "localization/language_list.h"

#include <strsafe.h>

#include <cstdint>
#include <cwchar>
#include <iterator>

namespace quillon {
namespace {

constexpr size_t kKeyCapacity = 64;

// The platform's English name of |what| (LOCALE_SENGLANGUAGE or
// LOCALE_SENGCOUNTRY) for |id| into |text| of |capacity| characters; the
// LANGID in hexadecimal digits when the platform doesn't know it.
void LocaleName(WORD id, LCTYPE what, wchar_t* text, int capacity) {
  if (::GetLocaleInfoW(MAKELCID(id, SORT_DEFAULT), what, text, capacity) > 0)
    return;
  ::StringCchPrintfW(text, static_cast<size_t>(capacity), L"%04x", id);
}

}  // namespace

WORD HexLanguageId(const wchar_t* text) {
  const wchar_t* p = text;
  while (*p == L' ' || *p == L'\t')
    ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') {
    negative = *p == L'-';
    ++p;
  }
  // Only the low 16 bits are kept, so the arithmetic may wrap.
  uint32_t value = 0;
  for (;; ++p) {
    unsigned digit;
    if (*p >= L'0' && *p <= L'9')
      digit = static_cast<unsigned>(*p - L'0');
    else if (*p >= L'a' && *p <= L'f')
      digit = static_cast<unsigned>(*p - L'a' + 10);
    else if (*p >= L'A' && *p <= L'F')
      digit = static_cast<unsigned>(*p - L'A' + 10);
    else
      break;
    value = value * 16 + digit;
  }
  if (negative)
    value = 0u - value;
  return static_cast<WORD>(value & 0xFFFF);
}

LanguageList BuildLanguageList(const wchar_t* indexFile) {
  LanguageList list;
  for (int k = 1;; ++k) {
    wchar_t key[kKeyCapacity];
    ::StringCchPrintfW(key, kKeyCapacity, L"%d", k);
    LanguageEntry entry = {};
    ::GetPrivateProfileStringW(kFileSection, key, L"", entry.fileName,
                               static_cast<DWORD>(std::size(entry.fileName)), indexFile);
    if (entry.fileName[0] == L'\0')
      break;
    entry.langId = HexLanguageId(entry.fileName);
    LocaleName(entry.langId, LOCALE_SENGLANGUAGE, entry.languageName,
               static_cast<int>(std::size(entry.languageName)));
    list.push_back(entry);
  }

  for (size_t i = 0; i < list.size(); ++i) {
    LanguageEntry& entry = list[i];
    if (!SharesLanguageName(list, i)) {
      ::StringCchCopyW(entry.displayName, std::size(entry.displayName), entry.languageName);
      continue;
    }
    wchar_t country[128];
    LocaleName(entry.langId, LOCALE_SENGCOUNTRY, country, static_cast<int>(std::size(country)));
    // 127 + 3 + 127 characters always fit.
    ::StringCchPrintfW(entry.displayName, std::size(entry.displayName), L"%s - %s",
                       entry.languageName, country);
  }
  return list;
}

bool SharesLanguageName(const LanguageList& list, size_t index) {
  const wchar_t* name = list[index].languageName;
  for (size_t i = 0; i < list.size(); ++i) {
    if (i != index && std::wcscmp(list[i].languageName, name) == 0)
      return true;
  }
  return false;
}

}  // namespace quillon

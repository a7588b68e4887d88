#include "localization/language_list.h"

#include <strsafe.h>

#include <cstdint>
#include <cwchar>
#include <iterator>
#include <string>
#include <unordered_map>

namespace quillon {
namespace {

// About a million keys of short names; more isn't read.
constexpr DWORD kSectionLimit = 1 << 24;

// The platform's English name of |what| (LOCALE_SENGLANGUAGE or
// LOCALE_SENGCOUNTRY) for |id| into |text| of |capacity| characters; the
// LANGID in hexadecimal digits when the platform doesn't know it.
void LocaleName(WORD id, LCTYPE what, wchar_t* text, int capacity) {
  if (::GetLocaleInfoW(MAKELCID(id, SORT_DEFAULT), what, text, capacity) > 0)
    return;
  ::StringCchPrintfW(text, static_cast<size_t>(capacity), L"%04x", id);
}

// The File section of |index_file| as the profile functions give it: one
// "key=value" (or "key") text after the other, each with its terminator, and
// an empty one at the end. The buffer grows until the section fits; a section
// beyond kSectionLimit characters loses its last line, which may be cut.
void ReadFileSection(const wchar_t* index_file, std::vector<wchar_t>* section) {
  for (DWORD size = 32768;; size *= 2) {
    section->assign(size, L'\0');
    const DWORD copied =
        ::GetPrivateProfileSectionW(kFileSection, section->data(), size, index_file);
    // size - 2 means that the section didn't fit.
    if (copied + 2 < size)
      return;
    if (size >= kSectionLimit) {
      // Both terminators are in place; the last line may be cut short.
      wchar_t* last = section->data() + copied;
      while (last > section->data() && last[-1] != L'\0')
        --last;
      *last = L'\0';
      return;
    }
  }
}

// The number n >= 1 when |line|'s key is n written with "%d" (the key that
// the one-key read of n finds); 0 otherwise, or when n exceeds a million.
size_t KeyNumber(const wchar_t* line) {
  if (*line < L'1' || *line > L'9')
    return 0;
  size_t number = 0;
  for (const wchar_t* p = line; *p != L'=' && *p != L'\0'; ++p) {
    if (*p < L'0' || *p > L'9' || number > 1000000)
      return 0;
    number = number * 10 + static_cast<size_t>(*p - L'0');
  }
  return number;
}

// |value| into |text| of |capacity| characters as the one-key read gives it:
// cut to capacity - 1 characters, and a pair of like quotes around it
// dropped.
void CopyValue(const wchar_t* value, wchar_t* text, size_t capacity) {
  wchar_t quote = L'\0';
  const size_t length = std::wcslen(value);
  if ((value[0] == L'"' || value[0] == L'\'') && length > 1 && value[length - 1] == value[0])
    quote = *value++;
  ::StringCchCopyNW(text, capacity, value, capacity - 1);
  // The closing quote goes only when the whole value fitted.
  if (quote && capacity >= std::wcslen(value))
    text[std::wcslen(text) - 1] = L'\0';
}

// Calls |take| with the file name of each File key 1, 2, 3 ... of
// |index_file| (as the one-key reads give it, at most 127 characters) up to
// the first missing or empty one, or until |take| returns false. The section
// is read once: a long index would otherwise cost one profile read per key,
// and a start reads the run more than once.
template <typename Take>
void ForEachFileName(const wchar_t* index_file, Take take) {
  std::vector<wchar_t> section;
  ReadFileSection(index_file, &section);
  std::vector<const wchar_t*> values;  // by key number; the first of a key wins
  for (const wchar_t* line = section.data(); *line; line += std::wcslen(line) + 1)
    values.push_back(line);
  std::vector<const wchar_t*> by_number(values.size() + 1, nullptr);
  for (const wchar_t* line : values) {
    const size_t number = KeyNumber(line);
    if (number != 0 && number < by_number.size() && !by_number[number]) {
      const wchar_t* equals = std::wcschr(line, L'=');
      by_number[number] = equals ? equals + 1 : L"";
    }
  }
  for (size_t k = 1; k < by_number.size() && by_number[k]; ++k) {
    wchar_t name[sizeof(LanguageEntry::fileName) / sizeof(wchar_t)];
    CopyValue(by_number[k], name, std::size(name));
    if (name[0] == L'\0' || !take(static_cast<const wchar_t*>(name)))
      return;
  }
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

LanguageList BuildLanguageList(const wchar_t* index_file) {
  LanguageList list;
  ForEachFileName(index_file, [&list](const wchar_t* name) {
    LanguageEntry entry = {};
    ::StringCchCopyW(entry.fileName, std::size(entry.fileName), name);
    entry.langId = HexLanguageId(entry.fileName);
    LocaleName(entry.langId, LOCALE_SENGLANGUAGE, entry.languageName,
               static_cast<int>(std::size(entry.languageName)));
    list.push_back(entry);
    return true;
  });

  // What SharesLanguageName tells of each entry, counted in one pass.
  std::unordered_map<std::wstring, size_t> name_counts;
  for (const LanguageEntry& entry : list)
    ++name_counts[entry.languageName];
  for (LanguageEntry& entry : list) {
    if (name_counts[entry.languageName] < 2) {
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

size_t FindLanguageFile(const wchar_t* index_file, const wchar_t* file_name) {
  size_t position = 0;
  size_t found = 0;
  ForEachFileName(index_file, [&](const wchar_t* name) {
    ++position;
    if (::lstrcmpiW(name, file_name) == 0)
      found = position;
    return found == 0;
  });
  return found;
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

// The languages that a stick offers: the File section of its index file
// Language.cfg, in key order, each with the name under which the user sees it.
#ifndef QUILLON_LOCALIZATION_LANGUAGE_LIST_H_
#define QUILLON_LOCALIZATION_LANGUAGE_LIST_H_

#include <windows.h>

#include <cstddef>
#include <vector>

namespace quillon {

// One language of the stick.
struct LanguageEntry {
  // The value of the File key exactly as read (at most 127 characters): a
  // file in the same .cfg folder as the index file.
  wchar_t fileName[128];
  // The LANGID from the leading hexadecimal digits of fileName.
  WORD langId;
  // The platform's English name of langId's language (at most 127
  // characters); its LANGID as four hexadecimal digits when the platform
  // doesn't know it.
  wchar_t languageName[128];
  // languageName, or "languageName - country" when another entry of the
  // list has the same languageName.
  wchar_t displayName[260];
};

// The list, in the order of the File keys: the entry at position i (from 0)
// has language number i + 1.
using LanguageList = std::vector<LanguageEntry>;

// The index file's section of the list.
constexpr wchar_t kFileSection[] = L"File";

// Reads the File keys 1, 2, 3 ... of |index_file| up to the first missing or
// empty one (the first of two keys of the same number counts), from one read
// of the section. A missing file or section gives an empty list. The caller
// owns the list; nothing is cached.
LanguageList BuildLanguageList(const wchar_t* index_file);

// The position (from 1) in BuildLanguageList's list of the first entry whose
// fileName equals |file_name| in any case; 0 when none does. Reads only the
// names, not the languages' names.
size_t FindLanguageFile(const wchar_t* index_file, const wchar_t* file_name);

// True when an entry other than the one at |index| (which must lie inside the
// list) has exactly the same languageName.
bool SharesLanguageName(const LanguageList& list, size_t index);

// The base-16 number at the start of |text| as the language files write
// LANGIDs: leading blanks and a sign are accepted, the conversion stops at
// the first character that is not a hexadecimal digit, and the result is cut
// to its low 16 bits. No digits give 0.
WORD HexLanguageId(const wchar_t* text);

}  // namespace quillon

#endif  // QUILLON_LOCALIZATION_LANGUAGE_LIST_H_

// The checks of a stick's files, read through the platform's profile
// functions as the launcher reads them: the language index Language.cfg
// (index_file.cpp), every language file it lists and Language.cfg as the
// fallback file (language_file.cpp), and the settings file Setting.ini
// (settings_file.cpp), all in the stick's .cfg folder.
#ifndef QUILLON_TOOLS_STICK_CHECK_STICK_FILES_H_
#define QUILLON_TOOLS_STICK_CHECK_STICK_FILES_H_

#include <string>
#include <vector>

#include "tools/stick_check/findings.h"

namespace stick_check {

// A language file that the stick offers (key |number| of section File), or
// the fallback file Language.cfg (number 0).
struct StickLanguage {
  int number;
  std::wstring file;  // as listed: 0409.cfg, or Language.cfg
  std::wstring path;  // full path
  std::wstring name;  // the language's English name, or "fallback"
  bool exists;
};

struct StickReport {
  Findings findings;
  std::vector<StickLanguage> languages;  // the File run in order, then Language.cfg
};

// Checks the stick whose root folder is |root| (a full path ending with a
// backslash). Needs this program's own resources (dialogs and string table).
// The launcher's current language file is empty again after.
StickReport CheckStick(const std::wstring& root);

// The language key of |message| without its padding blanks; empty when none.
std::wstring KeyOf(unsigned message);

// The parts of the check, on the stick's .cfg folder |folder| (a full path
// ending with a backslash); |parameter| is the stick's VT_Parameter. A file
// in that folder, and where its findings go:
struct StickFile {
  std::wstring path;  // full path
  std::wstring rel;   // relative to the stick's root, as the findings name it
  Findings* findings;

  void Add(Severity severity,
           const std::wstring& section,
           const std::wstring& key,
           const std::wstring& text) const {
    findings->push_back({severity, rel, section, key, text});
  }
};
StickFile FileIn(const std::wstring& folder, const std::wstring& name, Findings* findings);

// Language.cfg, its sections and every file that it lists; adds the
// languages to |report|, the fallback file last.
void CheckIndexFile(const std::wstring& folder, const std::wstring& parameter, StickReport* report);
// A language file's section Quillon: its keys, its encoding, and its texts as
// the launcher shows them. |is_index| for Language.cfg.
void CheckLanguageFile(const StickFile& file, bool is_index, const std::wstring& parameter);
// Setting.ini, when the stick has one.
void CheckSettingsFile(const std::wstring& folder, Findings* findings);

// What the three share.
std::wstring Trim(const std::wstring& text);
bool SameName(const std::wstring& a, const std::wstring& b);
bool Contains(const std::vector<std::wstring>& names, const std::wstring& name);
bool Exists(const std::wstring& path);
// True for a key of a language number that the launcher's "%d" writes:
// at most 7 digits, no leading zero.
bool IsPlainNumber(const std::wstring& text);
// The stick's VT_Parameter from Setting.ini in |folder|, as the launcher reads
// it (up to 255 characters).
std::wstring StickParameter(const std::wstring& folder);
// The whole value, however long.
std::wstring ReadValue(const wchar_t* section, const std::wstring& key, const std::wstring& file);
std::vector<std::wstring> KeyNames(const wchar_t* section, const std::wstring& file);
// The file's bytes, up to 4 MiB and a little more; empty when it can't be
// read.
std::string ReadBytes(const std::wstring& path);
// Writes |bytes| as the whole file |path|, made anew. False when it can't be
// written whole.
bool WriteAllBytes(const std::wstring& path, const std::string& bytes);
// " (did you mean X?)" with the known name nearest to |name|, or empty.
std::wstring Suggestion(const std::wstring& name,
                        const std::vector<std::wstring>& known,
                        const wchar_t* open = L"",
                        const wchar_t* close = L"");
// A warning for every section of |file| that is not |known|.
void CheckSections(const StickFile& file, const std::vector<std::wstring>& known);
// Errors for a byte-order mark other than UTF-16LE's and for every line of
// non-ASCII text without one.
void CheckEncoding(const StickFile& file);

}  // namespace stick_check

#endif  // QUILLON_TOOLS_STICK_CHECK_STICK_FILES_H_

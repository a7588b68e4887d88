// Language.cfg's own sections: the File run of languages, the LocaleID
// table, the stick's default number and its SETUP_SWIFTGATE_MSG.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <iterator>

#include "autostart/user_values.h"
#include "launcher/paths/stick_paths.h"
#include "localization/language_files.h"
#include "localization/language_list.h"
#include "tools/stick_check/pseudo.h"
#include "tools/stick_check/stick_files.h"

namespace stick_check {
namespace {

using namespace quillon;

// What the platform's integer profile read accepts as a number: blanks, an
// optional sign, at least one digit, nothing after.
bool IsDecimal(const std::wstring& text) {
  std::wstring t = Trim(text);
  size_t at = (!t.empty() && (t[0] == L'-' || t[0] == L'+')) ? 1 : 0;
  if (at >= t.size())
    return false;
  return std::all_of(t.begin() + static_cast<std::ptrdiff_t>(at), t.end(),
                     [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

size_t LeadingHexDigits(const std::wstring& text) {
  size_t n = 0;
  while (n < text.size() && std::iswxdigit(text[n]))
    ++n;
  return n;
}

std::wstring HexName(unsigned lang_id) {
  wchar_t name[16];
  std::swprintf(name, 16, L"%04x.cfg", lang_id & 0xFFFFu);
  return name;
}

std::wstring EnglishLanguageName(unsigned lang_id) {
  wchar_t name[128] = {};
  if (::GetLocaleInfoW(MAKELCID(lang_id, SORT_DEFAULT), LOCALE_SENGLANGUAGE, name, 128) == 0)
    return std::wstring();
  return name;
}

// The File keys and the files they name, which are checked too. Returns the
// run's length.
size_t CheckFileRun(const StickFile& index,
                    const std::wstring& folder,
                    const std::wstring& parameter,
                    StickReport* report) {
  std::vector<std::wstring> listed;
  size_t run = 0;
  for (;; ++run) {
    const std::wstring name = ReadValue(kFileSection, std::to_wstring(run + 1), index.path);
    if (name.empty())
      break;
    listed.push_back(name);
  }

  for (const std::wstring& key : KeyNames(kFileSection, index.path)) {
    if (!IsPlainNumber(key)) {
      index.Add(kWarning, kFileSection, key,
                L"not a language number (1, 2, 3 ...): the launcher never reads it");
    } else if (std::wcstoul(key.c_str(), nullptr, 10) == run + 1) {
      index.Add(kWarning, kFileSection, key, L"empty: the run of languages ends here");
    } else if (std::wcstoul(key.c_str(), nullptr, 10) > run + 1) {
      index.Add(kError, kFileSection, key,
                L"after the gap at key " + std::to_wstring(run + 1) +
                    L": the language dialog never offers it (only the stick's default or the "
                    L"registry's number can still name it)");
    }
  }

  for (size_t i = 0; i < listed.size(); ++i) {
    const std::wstring& name = listed[i];
    const std::wstring key = std::to_wstring(i + 1);
    const size_t digits = LeadingHexDigits(name);
    // Read as the launcher reads it: no "0x", the low 16 bits.
    const unsigned lang_id = HexLanguageId(name.c_str());
    std::wstring language = EnglishLanguageName(lang_id);
    if (name.size() >= std::size(LanguageEntry().fileName)) {
      index.Add(kError, kFileSection, key,
                L"the name has " + std::to_wstring(name.size()) +
                    L" characters: the language list keeps 127, so a choice in the dialog names "
                    L"no file");
    } else if (name.size() >= kLanguageChoiceCapacity) {
      // The dialog stores the name in Detacher.ini, from where it is read back.
      index.Add(kError, kFileSection, key,
                L"the name has " + std::to_wstring(name.size()) +
                    L" characters: a user's stored choice is read back as 63, names no entry and "
                    L"becomes automatic");
    }
    if (digits == 0) {
      index.Add(kError, kFileSection, key,
                Quote(name) +
                    L" doesn't start with its LANGID in hexadecimal digits: the language "
                    L"dialog can't name it");
    } else if (digits < 4) {
      // "english.cfg" begins with the hexadecimal digit e.
      wchar_t text[128];
      std::swprintf(text, 128,
                    L" starts with only %zu hexadecimal digit(s): read as LANGID 0x%04x (%ls)",
                    digits, lang_id, language.empty() ? L"no language" : language.c_str());
      index.Add(kError, kFileSection, key, Quote(name) + text);
    } else if (IsPseudoLanguage(name)) {
      // Wine knows no name for it; Windows calls it qps-ploc.
      index.Add(kError, kFileSection, key,
                Quote(name) +
                    L" is the pseudo-translation (LANGID 0x0501, Windows' qps-ploc), made for "
                    L"testing the texts' room: not for users, never ship it");
      language = L"Pseudo-translation";
    } else if (language.empty()) {
      wchar_t text[96];
      std::swprintf(text, 96,
                    L" starts with 0x%04x, which names no language: the language dialog "
                    L"can't name it",
                    lang_id);
      index.Add(kError, kFileSection, key, Quote(name) + text);
    } else if (!SameName(name, HexName(lang_id))) {
      index.Add(kWarning, kFileSection, key,
                L"automatic mode looks for " + HexName(lang_id) + L", not " + Quote(name) +
                    L": users of " + language +
                    L" get it only by choosing it in the language dialog");
    }
    for (size_t j = 0; j < i; ++j) {
      if (SameName(listed[j], name)) {
        index.Add(kWarning, kFileSection, key,
                  Quote(name) + L" is listed under key " + std::to_wstring(j + 1) +
                      L" already: the dialog shows it twice");
      }
    }
    const StickFile file = FileIn(folder, name, index.findings);
    const bool exists = Exists(file.path);
    if (!exists) {
      index.Add(kError, kFileSection, key,
                file.rel + L" is missing: users who choose it see Language.cfg's texts");
    }
    report->languages.push_back(
        {static_cast<int>(i + 1), name, file.path, language.empty() ? name : language, exists});
  }

  for (const StickLanguage& language : report->languages) {
    if (language.exists)
      CheckLanguageFile(FileIn(folder, language.file, index.findings), false, parameter);
  }
  return run;
}

void CheckLocaleIds(const StickFile& index, const std::wstring& folder) {
  for (const std::wstring& key : KeyNames(kLocaleIdSection, index.path)) {
    if (key.size() != 4 || LeadingHexDigits(key) != 4) {
      index.Add(kError, kLocaleIdSection, key,
                L"not a UI LANGID in four hexadecimal digits (such as 0c04): never matched");
      continue;
    }
    wchar_t value[kLocaleIdCapacity] = {};
    ::GetPrivateProfileStringW(kLocaleIdSection, key.c_str(), L"", value, kLocaleIdCapacity,
                               index.path.c_str());
    if (value[0] == L'\0')
      continue;
    // The launcher's conversion accepts blanks and a sign first.
    const wchar_t* digits = value;
    while (*digits == L' ' || *digits == L'\t')
      ++digits;
    if (*digits == L'+' || *digits == L'-')
      ++digits;
    if (!std::iswxdigit(*digits)) {
      index.Add(kError, kLocaleIdSection, key,
                Quote(value) +
                    L" is not a LANGID in hexadecimal digits: automatic mode looks for "
                    L"0000.cfg and shows Language.cfg's texts");
      continue;
    }
    const unsigned target = HexLanguageId(value);
    if (!Exists(folder + HexName(target))) {
      index.Add(kError, kLocaleIdSection, key,
                Quote(value) + L" names " + HexName(target) +
                    L", which is not on the stick: these users see Language.cfg's texts");
    }
  }
}

void CheckDefaultNumber(const StickFile& index, size_t run) {
  const std::wstring text = ReadValue(kLanguageSection, kPorticoKey, index.path);
  if (text.empty())
    return;
  // The launcher's integer read: leading digits count, the rest is ignored.
  const int number = static_cast<int>(
      ::GetPrivateProfileIntW(kLanguageSection, kPorticoKey, 0, index.path.c_str()));
  if (!IsDecimal(text)) {
    index.Add(kWarning, kLanguageSection, kPorticoKey,
              Quote(text) + L" is not a plain number: it reads as " + std::to_wstring(number) +
                  (number == 0 ? L", automatic" : L""));
  }
  if (number < 0) {
    index.Add(kWarning, kLanguageSection, kPorticoKey,
              L"a negative number names no language: Language.cfg's texts are shown");
  } else if (number > 0 && ReadValue(kFileSection, std::to_wstring(number), index.path).empty()) {
    index.Add(kError, kLanguageSection, kPorticoKey,
              L"the stick's default " + std::to_wstring(number) +
                  L" names no entry of [File]: the default is automatic");
  } else if (number > 0 && static_cast<size_t>(number) > run) {
    index.Add(kWarning, kLanguageSection, kPorticoKey,
              L"the stick's default " + std::to_wstring(number) +
                  L" lies after the gap in [File]: the language dialog preselects nothing");
  }
  for (const std::wstring& key : KeyNames(kLanguageSection, index.path)) {
    if (!SameName(key, kPorticoKey)) {
      index.Add(kWarning, kLanguageSection, key,
                L"the launcher reads only Portico here" + Suggestion(key, {kPorticoKey}));
    }
  }
}

void CheckSetupPrompt(const StickFile& index) {
  const std::wstring text = ReadValue(kStickSection, kSetupPromptValue, index.path);
  if (text.empty() || IsDecimal(text))
    return;
  const int read = static_cast<int>(
      ::GetPrivateProfileIntW(kStickSection, kSetupPromptValue, 1, index.path.c_str()));
  index.Add(
      kError, kStickSection, kSetupPromptValue,
      Quote(text) + L" is not a number: it reads as " + std::to_wstring(read) +
          (read == 0 ? L", which hides the auto-start set-up question for every user of the stick"
                     : L", which leaves the set-up question on"));
}

}  // namespace

void CheckIndexFile(const std::wstring& folder,
                    const std::wstring& parameter,
                    StickReport* report) {
  const StickFile index = FileIn(folder, kLanguageIndexName, &report->findings);
  if (!Exists(index.path)) {
    index.Add(kWarning, L"", L"", L"missing: every user sees the program's own (Japanese) texts");
    return;
  }
  const size_t run = CheckFileRun(index, folder, parameter, report);
  CheckLocaleIds(index, folder);
  CheckDefaultNumber(index, run);
  CheckSetupPrompt(index);
  CheckSections(index, {kStickSection, kFileSection, kLocaleIdSection, kLanguageSection});
  CheckLanguageFile(index, true, parameter);
  report->languages.push_back({0, kLanguageIndexName, index.path, L"fallback", true});
}

}  // namespace stick_check

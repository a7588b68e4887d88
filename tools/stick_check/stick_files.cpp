#include "tools/stick_check/stick_files.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <map>

#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "localization/files/current_language_file.h"
#include "localization/language_list.h"
#include "tools/stick_check/screens.h"
#include "tools/stick_check/text_fit.h"

namespace stick_check {
namespace {

constexpr wchar_t kQuillon[] = L"Quillon";
constexpr wchar_t kIndexName[] = L"Language.cfg";
constexpr wchar_t kSetupPromptKey[] = L"SETUP_SWIFTGATE_MSG";
// Large enough to see how far a value runs past the launcher's buffers.
constexpr DWORD kReadCapacity = 32768;

std::wstring Trim(const std::wstring& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && (text[begin] == L' ' || text[begin] == L'\t'))
    ++begin;
  while (end > begin && (text[end - 1] == L' ' || text[end - 1] == L'\t'))
    --end;
  return text.substr(begin, end - begin);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
  return std::any_of(names.begin(), names.end(),
                     [&name](const std::wstring& n) { return SameName(n, name); });
}

std::wstring ReadValue(const wchar_t* section, const std::wstring& key, const std::wstring& file) {
  std::wstring value(kReadCapacity, L'\0');
  const DWORD length =
      ::GetPrivateProfileStringW(section, key.c_str(), L"", &value[0], kReadCapacity, file.c_str());
  value.resize(length);
  return value;
}

// A double-null-terminated list from the profile functions.
std::vector<std::wstring> SplitList(const std::wstring& buffer, DWORD length) {
  std::vector<std::wstring> names;
  for (size_t at = 0; at < length && buffer[at] != L'\0';) {
    std::wstring name(buffer.c_str() + at);
    at += name.size() + 1;
    names.push_back(Trim(name));
  }
  return names;
}

std::vector<std::wstring> KeyNames(const wchar_t* section, const std::wstring& file) {
  std::wstring buffer(kReadCapacity, L'\0');
  const DWORD length =
      ::GetPrivateProfileStringW(section, nullptr, L"", &buffer[0], kReadCapacity, file.c_str());
  return SplitList(buffer, length);
}

std::vector<std::wstring> SectionNames(const std::wstring& file) {
  std::wstring buffer(kReadCapacity, L'\0');
  const DWORD length = ::GetPrivateProfileSectionNamesW(&buffer[0], kReadCapacity, file.c_str());
  return SplitList(buffer, length);
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return bytes;
  char chunk[4096];
  DWORD read = 0;
  // Language files are small; a runaway file is looked at up to 4 MiB.
  while (bytes.size() < (4u << 20) && ::ReadFile(file, chunk, sizeof(chunk), &read, nullptr) &&
         read > 0) {
    bytes.append(chunk, read);
  }
  ::CloseHandle(file);
  return bytes;
}

std::wstring Number(size_t n) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%zu", n);
  return text;
}

// Digits only, as the launcher's "%d" keys are written.
bool IsPlainNumber(const std::wstring& text) {
  if (text.empty() || text.size() > 9 || (text.size() > 1 && text[0] == L'0'))
    return false;
  return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

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

// " (did you mean X?)" with the known name nearest to |name|, or empty.
std::wstring Suggestion(const std::wstring& name,
                        const std::vector<std::wstring>& known,
                        const wchar_t* open = L"",
                        const wchar_t* close = L"") {
  const std::wstring nearest = NearestName(name, known);
  return nearest.empty() ? std::wstring()
                         : L" (did you mean " + std::wstring(open) + nearest + close + L"?)";
}

std::vector<std::wstring> KnownLanguageKeys() {
  std::vector<std::wstring> keys;
  UINT id = 0;
  for (size_t i = 0; const wchar_t* key = quillon::LanguageKeyAt(i, &id); ++i)
    keys.push_back(Trim(key));
  keys.push_back(kSetupPromptKey);
  return keys;
}

class Checker {
 public:
  explicit Checker(const std::wstring& root) : root_(root), folder_(root + L".cfg\\") {}

  StickReport Run();

 private:
  void Add(Severity severity,
           const std::wstring& file,
           const std::wstring& section,
           const std::wstring& key,
           const std::wstring& text) {
    report_.findings.push_back({severity, file, section, key, text});
  }

  void CheckIndex();
  void CheckFileRun();
  void CheckLocaleIds();
  void CheckDefaultNumber();
  void CheckSetupPrompt();
  void CheckSections(const std::wstring& path,
                     const std::wstring& rel,
                     const std::vector<std::wstring>& known);
  void CheckLanguageFile(const std::wstring& path, const std::wstring& rel, bool is_index);
  void CheckEncoding(const std::wstring& path, const std::wstring& rel);
  void CheckKeys(const std::wstring& path, const std::wstring& rel, bool is_index);
  void CheckTexts(const std::wstring& path, const std::wstring& rel);
  void CheckFit(const std::wstring& path, const std::wstring& rel);
  void CheckSettings();

  std::wstring root_;
  std::wstring folder_;
  std::wstring index_;
  std::wstring parameter_;  // the stick's VT_Parameter as the launcher reads it
  size_t run_ = 0;          // the File run's length
  StickReport report_;
};

StickReport Checker::Run() {
  index_ = folder_ + kIndexName;
  const std::wstring settings = folder_ + L"Setting.ini";
  wchar_t parameter[256] = {};
  ::GetPrivateProfileStringW(kQuillon, L"VT_Parameter", L"", parameter, 256, settings.c_str());
  parameter_ = parameter;

  if (!Exists(index_)) {
    Add(Severity::kWarning, L".cfg\\Language.cfg", L"", L"",
        L"missing: every user sees the program's own (Japanese) texts");
  } else {
    CheckIndex();
  }
  CheckSettings();
  return report_;
}

void Checker::CheckIndex() {
  const std::wstring rel = L".cfg\\Language.cfg";
  CheckFileRun();
  CheckLocaleIds();
  CheckDefaultNumber();
  CheckSetupPrompt();
  CheckLanguageFile(index_, rel, true);
  report_.languages.push_back({0, kIndexName, index_, L"fallback", true});
}

void Checker::CheckFileRun() {
  const std::wstring rel = L".cfg\\Language.cfg";
  std::vector<std::wstring> listed;
  size_t run = 0;
  for (;; ++run) {
    const std::wstring key = Number(run + 1);
    const std::wstring name = ReadValue(L"File", key, index_);
    if (name.empty())
      break;
    listed.push_back(name);
  }
  run_ = run;

  for (const std::wstring& key : KeyNames(L"File", index_)) {
    if (!IsPlainNumber(key)) {
      Add(Severity::kWarning, rel, L"File", key,
          L"not a language number (1, 2, 3 ...): the launcher never reads it");
    } else if (std::wcstoul(key.c_str(), nullptr, 10) == run + 1) {
      Add(Severity::kWarning, rel, L"File", key, L"empty: the run of languages ends here");
    } else if (std::wcstoul(key.c_str(), nullptr, 10) > run + 1) {
      Add(Severity::kError, rel, L"File", key,
          L"after the gap at key " + Number(run + 1) +
              L": the language dialog never offers it (only the stick's default or the "
              L"registry's number can still name it)");
    }
  }

  for (size_t i = 0; i < listed.size(); ++i) {
    const std::wstring& name = listed[i];
    const std::wstring key = Number(i + 1);
    const size_t digits = LeadingHexDigits(name);
    // Read as the launcher reads it: no "0x", the low 16 bits.
    const unsigned lang_id = quillon::HexLanguageId(name.c_str());
    std::wstring language = EnglishLanguageName(lang_id);
    if (name.size() > 127) {
      Add(Severity::kError, rel, L"File", key,
          L"the name has " + Number(name.size()) +
              L" characters: the language list keeps 127, so a choice in the dialog names no "
              L"file");
    } else if (name.size() >= 64) {
      // The dialog stores the name in Detacher.ini, which is read back into 64.
      Add(Severity::kError, rel, L"File", key,
          L"the name has " + Number(name.size()) +
              L" characters: a user's stored choice is read back as 63, names no entry and "
              L"becomes automatic");
    }
    if (digits == 0) {
      Add(Severity::kError, rel, L"File", key,
          Quote(name) +
              L" doesn't start with its LANGID in hexadecimal digits: the language "
              L"dialog can't name it");
    } else if (digits < 4) {
      // "english.cfg" begins with the hexadecimal digit e.
      wchar_t text[128];
      std::swprintf(text, 128,
                    L" starts with only %zu hexadecimal digit(s): read as LANGID 0x%04x (%ls)",
                    digits, lang_id, language.empty() ? L"no language" : language.c_str());
      Add(Severity::kError, rel, L"File", key, Quote(name) + text);
    } else if (language.empty()) {
      wchar_t text[96];
      std::swprintf(text, 96,
                    L" starts with 0x%04x, which names no language: the language dialog "
                    L"can't name it",
                    lang_id);
      Add(Severity::kError, rel, L"File", key, Quote(name) + text);
    } else if (!SameName(name, HexName(lang_id))) {
      Add(Severity::kWarning, rel, L"File", key,
          L"automatic mode looks for " + HexName(lang_id) + L", not " + Quote(name) +
              L": users of " + language + L" get it only by choosing it in the language dialog");
    }
    for (size_t j = 0; j < i; ++j) {
      if (SameName(listed[j], name)) {
        Add(Severity::kWarning, rel, L"File", key,
            Quote(name) + L" is listed under key " + Number(j + 1) +
                L" already: the dialog shows it twice");
      }
    }
    const std::wstring path = folder_ + name;
    const bool exists = Exists(path);
    if (!exists) {
      Add(Severity::kError, rel, L"File", key,
          L".cfg\\" + name + L" is missing: users who choose it see Language.cfg's texts");
    }
    report_.languages.push_back(
        {static_cast<int>(i + 1), name, path, language.empty() ? name : language, exists});
  }

  for (const StickLanguage& language : report_.languages) {
    if (language.exists)
      CheckLanguageFile(language.path, L".cfg\\" + language.file, false);
  }
}

void Checker::CheckLocaleIds() {
  const std::wstring rel = L".cfg\\Language.cfg";
  for (const std::wstring& key : KeyNames(L"LocaleID", index_)) {
    if (key.size() != 4 || LeadingHexDigits(key) != 4) {
      Add(Severity::kError, rel, L"LocaleID", key,
          L"not a UI LANGID in four hexadecimal digits (such as 0c04): never matched");
      continue;
    }
    wchar_t value[16] = {};
    ::GetPrivateProfileStringW(L"LocaleID", key.c_str(), L"", value, 16, index_.c_str());
    if (value[0] == L'\0')
      continue;
    // The launcher's conversion accepts blanks and a sign first.
    const wchar_t* digits = value;
    while (*digits == L' ' || *digits == L'\t')
      ++digits;
    if (*digits == L'+' || *digits == L'-')
      ++digits;
    if (!std::iswxdigit(*digits)) {
      Add(Severity::kError, rel, L"LocaleID", key,
          Quote(value) +
              L" is not a LANGID in hexadecimal digits: automatic mode looks for "
              L"0000.cfg and shows Language.cfg's texts");
      continue;
    }
    const unsigned target = quillon::HexLanguageId(value);
    if (!Exists(folder_ + HexName(target))) {
      Add(Severity::kError, rel, L"LocaleID", key,
          Quote(value) + L" names " + HexName(target) +
              L", which is not on the stick: these users see Language.cfg's texts");
    }
  }
}

void Checker::CheckDefaultNumber() {
  const std::wstring rel = L".cfg\\Language.cfg";
  const std::wstring text = ReadValue(L"Language", L"Portico", index_);
  if (text.empty())
    return;
  // The launcher's integer read: leading digits count, the rest is ignored.
  const int number =
      static_cast<int>(::GetPrivateProfileIntW(L"Language", L"Portico", 0, index_.c_str()));
  if (!IsDecimal(text)) {
    Add(Severity::kWarning, rel, L"Language", L"Portico",
        Quote(text) + L" is not a plain number: it reads as " + std::to_wstring(number) +
            (number == 0 ? L", automatic" : L""));
  }
  if (number < 0) {
    Add(Severity::kWarning, rel, L"Language", L"Portico",
        L"a negative number names no language: Language.cfg's texts are shown");
  } else if (number > 0 &&
             ReadValue(L"File", Number(static_cast<size_t>(number)), index_).empty()) {
    Add(Severity::kError, rel, L"Language", L"Portico",
        L"the stick's default " + Number(static_cast<size_t>(number)) +
            L" names no entry of [File]: the default is automatic");
  } else if (number > 0 && static_cast<size_t>(number) > run_) {
    Add(Severity::kWarning, rel, L"Language", L"Portico",
        L"the stick's default " + Number(static_cast<size_t>(number)) +
            L" lies after the gap in [File]: the language dialog preselects nothing");
  }
  for (const std::wstring& key : KeyNames(L"Language", index_)) {
    if (!SameName(key, L"Portico")) {
      Add(Severity::kWarning, rel, L"Language", key,
          L"the launcher reads only Portico here" + Suggestion(key, {L"Portico"}));
    }
  }
}

void Checker::CheckSetupPrompt() {
  const std::wstring rel = L".cfg\\Language.cfg";
  const std::wstring text = ReadValue(kQuillon, kSetupPromptKey, index_);
  if (text.empty() || IsDecimal(text))
    return;
  const int read =
      static_cast<int>(::GetPrivateProfileIntW(kQuillon, kSetupPromptKey, 1, index_.c_str()));
  Add(Severity::kError, rel, kQuillon, kSetupPromptKey,
      Quote(text) + L" is not a number: it reads as " + std::to_wstring(read) +
          (read == 0 ? L", which hides the auto-start set-up question for every user of the stick"
                     : L", which leaves the set-up question on"));
}

void Checker::CheckSections(const std::wstring& path,
                            const std::wstring& rel,
                            const std::vector<std::wstring>& known) {
  for (const std::wstring& section : SectionNames(path)) {
    if (Contains(known, section))
      continue;
    Add(Severity::kWarning, rel, section, L"",
        L"the launcher reads no such section" + Suggestion(section, known, L"[", L"]"));
  }
}

void Checker::CheckLanguageFile(const std::wstring& path, const std::wstring& rel, bool is_index) {
  if (is_index)
    CheckSections(path, rel, {kQuillon, L"File", L"LocaleID", L"Language"});
  else
    CheckSections(path, rel, {kQuillon});
  CheckEncoding(path, rel);
  CheckKeys(path, rel, is_index);
  CheckTexts(path, rel);
  CheckFit(path, rel);
}

void Checker::CheckEncoding(const std::wstring& path, const std::wstring& rel) {
  const std::string bytes = ReadBytes(path);
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    return;
  }
  const bool utf8_mark = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
  if (utf8_mark) {
    Add(Severity::kError, rel, L"", L"",
        L"saved as UTF-8 with its byte-order mark: Windows' profile functions know only "
        L"UTF-16LE's mark and read the file in the PC's ANSI code page, the mark's bytes "
        L"becoming part of its first line; save the file as UTF-16LE (Unicode)");
  }
  std::wstring section;
  size_t line_start = utf8_mark ? 3 : 0;
  while (line_start < bytes.size()) {
    size_t line_end = bytes.find('\n', line_start);
    if (line_end == std::string::npos)
      line_end = bytes.size();
    const std::string line = bytes.substr(line_start, line_end - line_start);
    line_start = line_end + 1;
    std::wstring wide(line.begin(), line.end());  // ASCII parts only matter here
    const std::wstring trimmed = Trim(wide);
    if (!trimmed.empty() && trimmed[0] == L'[') {
      section = Trim(trimmed.substr(1, trimmed.find(L']') - 1));
      continue;
    }
    if (std::none_of(line.begin(), line.end(), [](char c) { return (c & 0x80) != 0; }))
      continue;
    const size_t equals = line.find('=');
    const std::wstring key =
        equals == std::string::npos ? std::wstring() : Trim(std::wstring(wide, 0, equals));
    std::wstring shown;
    if (!key.empty() && !section.empty())
      shown = ReadValue(section.c_str(), key, path);
    Add(Severity::kError, rel, section, key,
        std::wstring(L"non-ASCII text in a file without a UTF-16LE byte-order mark") +
            (utf8_mark ? L" (it has UTF-8's)" : L"") +
            L": Windows reads it in the PC's ANSI code page (as read here, in code page " +
            std::to_wstring(::GetACP()) + L": " + Quote(shown) +
            L"); save the file as UTF-16LE (Unicode) with its byte-order mark");
  }
}

void Checker::CheckKeys(const std::wstring& path, const std::wstring& rel, bool is_index) {
  static const std::vector<std::wstring> known = KnownLanguageKeys();
  const std::vector<std::wstring> keys = KeyNames(kQuillon, path);
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::wstring& key = keys[i];
    for (size_t j = 0; j < i; ++j) {
      if (SameName(keys[j], key)) {
        Add(Severity::kWarning, rel, kQuillon, key,
            L"appears more than once: the launcher reads the first");
        break;
      }
    }
    if (SameName(key, kSetupPromptKey)) {
      if (!is_index) {
        Add(Severity::kWarning, rel, kQuillon, key,
            L"read only from Language.cfg: here it has no effect");
      }
      continue;
    }
    if (Contains(known, key))
      continue;
    Add(Severity::kWarning, rel, kQuillon, key,
        L"the launcher knows no such key" + Suggestion(key, known));
  }
}

void Checker::CheckTexts(const std::wstring& path, const std::wstring& rel) {
  const std::vector<std::wstring> keys = KeyNames(kQuillon, path);
  quillon::SetCurrentLanguageFile(path.c_str());
  std::map<UINT, size_t> lengths;
  for (UINT id : RequestedMessages()) {
    const std::wstring key = KeyOf(id);
    const std::wstring value = ReadValue(kQuillon, key, path);
    lengths[id] = value.size();
    if (value.empty()) {
      wchar_t own[8] = {};
      const bool in_table = ::LoadStringW(::GetModuleHandleW(nullptr), id, own, 8) > 0;
      Add(Severity::kError, rel, kQuillon, key,
          std::wstring(Contains(keys, key) ? L"empty" : L"missing") + L": the user sees " +
              (in_table ? L"the program's own text " : L"the generic error text ") +
              Quote(quillon::GetMessageText(id)));
      continue;
    }
    if (value.size() > 2047) {
      Add(Severity::kError, rel, kQuillon, key,
          Number(value.size()) + L" characters: only the first 2,047 are read");
    }
    // The generic text is followed by "(718)" and the like in 1,024 characters.
    if (id == quillon::kMsgErrorOther && value.size() > 1018) {
      Add(Severity::kError, rel, kQuillon, key,
          Number(value.size()) +
              L" characters: as the generic error text followed by its message number "
              L"(\"(718)\") it is cut at 1,023, and the number is lost");
    } else if (ShownInMessageBox(id) && value.size() > 1023) {
      Add(Severity::kError, rel, kQuillon, key,
          Number(value.size()) + L" characters: its message box shows the first 1,023");
    }
    if (id == quillon::kMsgTitle && value.size() > 31) {
      Add(Severity::kError, rel, kQuillon, key,
          Number(value.size()) + L" characters: every title bar shows the first 31");
    }
  }
  // The question joins the two texts as shown, a missing one from the string table.
  const size_t question = std::wcslen(quillon::GetMessageText(quillon::kMsgErrorStickEnrol)) + 2 +
                          std::wcslen(quillon::GetMessageTextAlt(quillon::kMsgUpdateStickEnrol));
  if ((lengths[quillon::kMsgErrorStickEnrol] > 0 || lengths[quillon::kMsgUpdateStickEnrol] > 0) &&
      question > 1023) {
    Add(Severity::kError, rel, kQuillon, KeyOf(quillon::kMsgUpdateStickEnrol),
        L"the update question (ERROR_STICK_ENROL, a blank line, this text) has " +
            Number(question) + L" characters: its message box shows the first 1,023");
  }
}

void Checker::CheckFit(const std::wstring& path, const std::wstring& rel) {
  quillon::SetCurrentLanguageFile(path.c_str());
  // (dialog, control, message) done: the two warnings share dialog 258.
  std::vector<std::pair<std::pair<int, int>, UINT>> measured;
  std::vector<int> captions;
  for (const Screen& screen : AllScreens()) {
    if (screen.kind != ScreenKind::kDialog)
      continue;
    HWND dialog = CreateHiddenDialog(screen.dialog);
    if (!dialog) {
      Add(Severity::kError, L"(program)", L"", L"",
          L"dialog " + std::to_wstring(screen.dialog) + L" can't be created here: not measured");
      continue;
    }
    for (const ControlText& text : screen.texts) {
      const auto place = std::make_pair(std::make_pair(screen.dialog, text.control), text.message);
      if (std::find(measured.begin(), measured.end(), place) != measured.end())
        continue;
      // Only the file's own texts; a missing one has its finding already.
      if (ReadValue(kQuillon, KeyOf(text.message), path).empty())
        continue;
      measured.push_back(place);
      const std::wstring problem =
          MeasureControlFit(dialog, text.control, ComposeText(text, parameter_));
      if (!problem.empty()) {
        Add(Severity::kError, rel, kQuillon, KeyOf(text.message),
            L"does not fit control " + std::to_wstring(text.control) + L" of the " + screen.title +
                L": " + problem);
      }
    }
    const bool caption_from_file = !ReadValue(kQuillon, KeyOf(screen.caption), path).empty();
    if (caption_from_file &&
        std::find(captions.begin(), captions.end(), screen.dialog) == captions.end()) {
      captions.push_back(screen.dialog);
      const std::wstring caption = screen.caption == quillon::kMsgTitle
                                       ? quillon::GetCaptionText()
                                       : quillon::GetMessageText(screen.caption);
      const std::wstring problem = MeasureCaptionFit(dialog, caption);
      if (!problem.empty()) {
        Add(Severity::kError, rel, kQuillon, KeyOf(screen.caption),
            L"does not fit the title bar of the " + std::wstring(screen.title) + L": " + problem);
      }
    }
    ::DestroyWindow(dialog);
  }
}

void Checker::CheckSettings() {
  const std::wstring path = folder_ + L"Setting.ini";
  const std::wstring rel = L".cfg\\Setting.ini";
  if (!Exists(path))
    return;
  CheckSections(path, rel, {kQuillon});
  CheckEncoding(path, rel);
  const std::vector<std::wstring> known = {L"Version_check", L"VT_Parameter", L"AutoUpdateURL"};
  for (const std::wstring& key : KeyNames(kQuillon, path)) {
    if (Contains(known, key))
      continue;
    Add(Severity::kWarning, rel, kQuillon, key,
        L"the launcher knows no such setting" + Suggestion(key, known));
  }
  const std::wstring version_check = ReadValue(kQuillon, L"Version_check", path);
  if (!version_check.empty() && !SameName(version_check, L"Disable")) {
    Add(Severity::kWarning, rel, kQuillon, L"Version_check",
        Quote(version_check) +
            L" does nothing: only \"Disable\" lets unsupported Windows versions start");
  }
  const std::wstring parameter = ReadValue(kQuillon, L"VT_Parameter", path);
  if (parameter.size() > 255) {
    Add(Severity::kError, rel, kQuillon, L"VT_Parameter",
        Number(parameter.size()) +
            L" characters: the launcher passes on the first 255 (environment and check-box label)");
  }
  const std::wstring url = ReadValue(kQuillon, L"AutoUpdateURL", path);
  Add(Severity::kNote, rel, kQuillon, L"AutoUpdateURL",
      url.empty() ? std::wstring(L"empty: the set-up question offers no automatic update")
                  : L"set: the set-up question offers automatic update with version check (only "
                    L"whether it is empty matters to the launcher)");
}

}  // namespace

std::wstring KeyOf(unsigned message) {
  const wchar_t* key = quillon::LanguageKeyOf(message);
  return key ? Trim(key) : std::wstring();
}

StickReport CheckStick(const std::wstring& root) {
  return Checker(root).Run();
}

}  // namespace stick_check

// The pseudo-translation written into a stick (pseudo.h): .cfg\0501.cfg and
// its line in Language.cfg's File run.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "launcher/paths/stick_paths.h"
#include "launcher/text/messages.h"
#include "localization/files/current_language_file.h"
#include "localization/language_files.h"
#include "localization/language_list.h"
#include "tools/stick_check/findings.h"
#include "tools/stick_check/pseudo.h"
#include "tools/stick_check/screens.h"
#include "tools/stick_check/stick_files.h"

namespace stick_check {
namespace {

using namespace quillon;

std::wstring PseudoFileName() {
  wchar_t name[16];
  std::swprintf(name, 16, L"%04x.cfg", kPseudoLanguageId);
  return name;
}

// UTF-16LE with its byte-order mark, as the profile functions read Unicode.
std::string Utf16Bytes(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return bytes;
}

// Writes |bytes| into a new file beside |path|, which then takes |path|'s
// place in one step (hidden and system attributes kept): |path| is either as
// it was or whole. False when that fails, and no new file is left.
bool ReplaceFileBytes(const std::wstring& path, const std::string& bytes) {
  wchar_t temp[MAX_PATH];
  if (!::GetTempFileNameW(path.substr(0, path.find_last_of(L'\\')).c_str(), L"qps", 0, temp))
    return false;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  const DWORD kept = attributes == INVALID_FILE_ATTRIBUTES
                         ? 0
                         : attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  if (WriteAllBytes(temp, bytes) && (kept == 0 || ::SetFileAttributesW(temp, kept)) &&
      ::MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return true;
  }
  ::DeleteFileW(temp);
  return false;
}

// Why Language.cfg, |bytes| as read, can't be rewritten whole and read back
// as the launcher reads it; empty when it can.
std::wstring UnwritableIndex(const std::wstring& index, const std::string& bytes) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExW(index.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || data.nFileSizeHigh != 0 ||
      data.nFileSizeLow != bytes.size()) {
    return L"can't be read whole, so it isn't rewritten";
  }
  std::wstring encoding;
  if (bytes.compare(0, 2, "\xFE\xFF") == 0)
    encoding = L"is saved as UTF-16BE, which Windows' profile functions don't read";
  else if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
    encoding =
        L"is saved as UTF-8 with its byte-order mark, which Windows' profile functions "
        L"read in the PC's ANSI code page";
  else if (bytes.compare(0, 2, "\xFF\xFE") == 0 && bytes.size() % 2 != 0)
    encoding = L"is UTF-16LE with an odd number of bytes: its last byte would be lost";
  return encoding.empty() ? encoding : encoding + L"; save it as UTF-16LE (Unicode) first";
}

// Why the stick can't take the pseudo-translation as File key |next|, or
// empty when it can; |bytes| are Language.cfg's, |index|, when it exists.
// Where the stick has it already, with how it is made.
std::wstring Refusal(const std::wstring& folder,
                     const std::wstring& index,
                     const std::string& bytes,
                     size_t next) {
  static const wchar_t kAnew[] =
      L". The pseudo-translation is written anew each time into a copy of a stick without it "
      L"(tools/check-stick.sh --pseudo, tools/gallery.sh --pseudo do that)";
  const std::wstring own = std::wstring(kStickConfigFolder) + PseudoFileName();
  const std::wstring index_rel = std::wstring(kStickConfigFolder) + kLanguageIndexName;
  if (Exists(folder + PseudoFileName()))
    return own + L" is on the stick already" + kAnew;
  if (Exists(index)) {
    const std::wstring why = UnwritableIndex(index, bytes);
    if (!why.empty())
      return index_rel + L" " + why;
  }
  for (const std::wstring& key : KeyNames(kFileSection, index)) {
    // Any key: a default of -1 reads the key -1.
    const std::wstring name = ReadValue(kFileSection, key, index);
    if (IsPseudoLanguage(name)) {
      return index_rel + L" [File] " + key + L" names " + Quote(name) +
             L", a language file of the pseudo-translation's LANGID" + kAnew;
    }
    // The run's numbers are the keys that "%d" writes; 04 or +3 never.
    if (!IsPlainNumber(key))
      continue;
    const unsigned long number = std::wcstoul(key.c_str(), nullptr, 10);
    if (number == next) {
      return index_rel + L" [File] " + key +
             L" is empty, which ends the run of languages: the launcher would read it, not the "
             L"pseudo-translation's key " +
             key + L" after it";
    }
    if (number > next) {
      return index_rel + L" [File] has key " + key + L" where the run of languages has ended (at " +
             std::to_wstring(next) + L"): listing the pseudo-translation there would change " +
             L"what it means";
    }
  }
  // The launcher's integer read of the stick's default; a number that names
  // no entry means automatic.
  const int fallback =
      static_cast<int>(::GetPrivateProfileIntW(kLanguageSection, kPorticoKey, 0, index.c_str()));
  if (fallback > 0 && static_cast<size_t>(fallback) == next) {
    return index_rel + L" [Language] Portico: the stick's default " + std::to_wstring(next) +
           L" names no language, so users get automatic mode; listed as [File] " +
           std::to_wstring(next) + L", the pseudo-translation would become the default " +
           L"(users would see Language.cfg's texts, and the language dialog preselect it)";
  }
  for (const std::wstring& key : KeyNames(kLocaleIdSection, index)) {
    const std::wstring value = ReadValue(kLocaleIdSection, key, index);
    if (!value.empty() && HexLanguageId(value.c_str()) == kPseudoLanguageId) {
      return index_rel + L" [LocaleID] " + key +
             L" sends users of that UI language to the pseudo-translation's LANGID";
    }
  }
  return std::wstring();
}

// What a start shows for |id| from the stick's fallback file |index|: its
// whole value, else (by the launcher's own rule) the string table's text,
// else the generic text with the ID; as a value, line breaks written as "\n".
std::wstring FallbackText(UINT id, const std::wstring& index) {
  std::wstring text = ReadValue(kStickSection, KeyOf(id), index);
  if (text.empty()) {
    SetCurrentLanguageFile(index.c_str());
    text = GetMessageText(id);
    SetCurrentLanguageFile(L"");
  }
  std::wstring value;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
      continue;
    value += (text[i] == L'\n' || text[i] == L'\r') ? std::wstring(L"\\n") : text.substr(i, 1);
  }
  return value;
}

// |bytes| of an INI file with the line "|line|" added at the end of its
// section File (after the section's last line that isn't blank), or at the
// end in a new section File. UTF-16LE when the file has that byte-order mark,
// otherwise single bytes (the line is ASCII); the file's own line ends.
std::string WithFileLine(const std::string& bytes, const std::wstring& line) {
  const bool utf16 = bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0;
  std::wstring text;
  if (utf16) {
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                   (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
  } else {
    for (char c : bytes)
      text += static_cast<wchar_t>(static_cast<unsigned char>(c));
  }
  const size_t first_break = text.find(L'\n');
  const std::wstring eol =
      first_break != std::wstring::npos && (first_break == 0 || text[first_break - 1] != L'\r')
          ? L"\n"
          : L"\r\n";
  size_t insert = std::wstring::npos;
  bool in_section = false;
  for (size_t start = 0; start < text.size();) {
    size_t next = text.find(L'\n', start);
    next = next == std::wstring::npos ? text.size() : next + 1;
    const std::wstring trimmed = Trim(text.substr(start, next - start));
    const std::wstring content = trimmed.substr(0, trimmed.find_last_not_of(L"\r\n") + 1);
    if (!content.empty() && content[0] == L'[') {
      if (in_section)
        break;
      in_section = SameName(Trim(content.substr(1, content.find(L']') - 1)), kFileSection);
    }
    if (in_section && !content.empty())
      insert = next;
    start = next;
  }
  std::wstring added = line + eol;
  if (insert == std::wstring::npos) {
    insert = text.size();
    added = L"[" + std::wstring(kFileSection) + L"]" + eol + added;
  }
  // A last line without its line end gets one first.
  if (insert > 0 && text[insert - 1] != L'\n')
    added = eol + added;
  text.insert(insert, added);
  if (utf16)
    return Utf16Bytes(text);
  return std::string(text.begin(), text.end());  // back to the same single bytes
}

}  // namespace

int MakePseudoLanguage(const std::wstring& root, std::wstring* message) {
  const std::wstring folder = root + kStickConfigFolder;
  const std::wstring index = folder + kLanguageIndexName;
  const std::wstring name = PseudoFileName();
  const std::wstring rel = std::wstring(kStickConfigFolder) + name;
  size_t next = 1;
  while (!ReadValue(kFileSection, std::to_wstring(next), index).empty())
    ++next;
  const bool had_index = Exists(index);
  const std::string original = had_index ? ReadBytes(index) : std::string("\xFF\xFE");
  const std::wstring refusal = Refusal(folder, index, original, next);
  if (!refusal.empty()) {
    *message = L"refused: " + refusal;
    return 1;
  }

  const std::wstring parameter = StickParameter(folder);
  std::wstring text = L"[" + std::wstring(kStickSection) + L"]\r\n";
  const std::vector<UINT> messages = RequestedMessages();
  for (UINT id : messages) {
    text +=
        KeyOf(id) + L"=" + PseudoText(FallbackText(id, index), TextLimit(id, parameter)) + L"\r\n";
  }
  const bool made_folder = ::CreateDirectoryW(folder.c_str(), nullptr) != 0;
  const std::wstring key = std::to_wstring(next);
  if (!WriteAllBytes(folder + name, Utf16Bytes(text)) ||
      !ReplaceFileBytes(index, WithFileLine(original, key + L"=" + name)) ||
      ReadValue(kFileSection, key, index) != name) {
    // Nothing half-done: the index as it was, no pseudo file, no folder made.
    const bool restored = had_index
                              ? ReadBytes(index) == original || ReplaceFileBytes(index, original)
                              : !Exists(index) || ::DeleteFileW(index.c_str());
    ::DeleteFileW((folder + name).c_str());
    if (made_folder)
      ::RemoveDirectoryW(folder.c_str());
    *message =
        L"couldn't write " + rel + L" or list it in " + kLanguageIndexName +
        (restored ? L"" : L", nor put " + std::wstring(kLanguageIndexName) + L" back as it was");
    return 2;
  }
  wchar_t summary[160];
  std::swprintf(summary, 160,
                L"wrote %ls (%zu texts, LANGID 0x%04x, Windows' qps-ploc), listed as [File] %ls "
                L"of %ls%ls; for testing, never for users",
                rel.c_str(), messages.size(), kPseudoLanguageId, key.c_str(), kStickConfigFolder,
                kLanguageIndexName);
  *message = summary;
  return 0;
}

}  // namespace stick_check

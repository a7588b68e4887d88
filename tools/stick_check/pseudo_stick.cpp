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

bool WriteAllBytes(const std::wstring& path, const std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file)
    return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
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

// Why the stick can't take the pseudo-translation as File key |next|, or
// empty when it can.
std::wstring Refusal(const std::wstring& folder, const std::wstring& index, size_t next) {
  const std::wstring own = std::wstring(kStickConfigFolder) + PseudoFileName();
  const std::wstring index_rel = std::wstring(kStickConfigFolder) + kLanguageIndexName;
  if (Exists(folder + PseudoFileName()))
    return own + L" is on the stick already";
  for (const std::wstring& key : KeyNames(kFileSection, index)) {
    const std::wstring name = ReadValue(kFileSection, key, index);
    if (!name.empty() && IsPseudoLanguage(name)) {
      return index_rel + L" [File] " + key + L" names " + Quote(name) +
             L", a language file of the pseudo-translation's LANGID";
    }
    wchar_t* end = nullptr;
    const unsigned long number = std::wcstoul(key.c_str(), &end, 10);
    if (*end == L'\0' && number >= next) {
      return index_rel + L" [File] has key " + key + L" where the run of languages has ended (at " +
             std::to_wstring(next) + L"): listing the pseudo-translation there would change " +
             L"what it means";
    }
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
  const std::wstring refusal = Refusal(folder, index, next);
  if (!refusal.empty()) {
    *message = L"refused: " + refusal +
               L". The pseudo-translation is written anew each time into a copy of a stick "
               L"without it (tools/check-stick.sh --pseudo, tools/gallery.sh --pseudo do that)";
    return 1;
  }
  const bool had_index = Exists(index);
  const std::string original = had_index ? ReadBytes(index) : std::string("\xFF\xFE");
  // An index that can't be read, or only in part, would be rewritten short.
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (had_index && (!::GetFileAttributesExW(index.c_str(), GetFileExInfoStandard, &data) ||
                    data.nFileSizeHigh != 0 || data.nFileSizeLow != original.size())) {
    *message = L"refused: " + std::wstring(kStickConfigFolder) + kLanguageIndexName +
               L" can't be read whole, so it isn't rewritten";
    return 1;
  }

  std::wstring text = L"[" + std::wstring(kStickSection) + L"]\r\n";
  const std::vector<UINT> messages = RequestedMessages();
  for (UINT id : messages)
    text += KeyOf(id) + L"=" + PseudoText(FallbackText(id, index), TextLimit(id)) + L"\r\n";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring key = std::to_wstring(next);
  if (!WriteAllBytes(folder + name, Utf16Bytes(text)) ||
      !WriteAllBytes(index, WithFileLine(original, key + L"=" + name)) ||
      ReadValue(kFileSection, key, index) != name) {
    // Nothing half-done: the index as it was, no pseudo file.
    if (had_index)
      WriteAllBytes(index, original);
    else
      ::DeleteFileW(index.c_str());
    ::DeleteFileW((folder + name).c_str());
    *message = L"couldn't write " + rel + L" or list it in " + kLanguageIndexName;
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

#include "tools/stick_check/stick_files.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "launcher/paths/stick_paths.h"
#include "launcher/text/messages.h"
#include "localization/files/current_language_file.h"
#include "localization/language_files.h"

namespace stick_check {
namespace {

// Large enough to see how far a value runs past the launcher's buffers.
constexpr DWORD kReadCapacity = 32768;
// Language files are small; a runaway file is looked at up to this size.
constexpr size_t kReadLimit = 4u << 20;

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

std::vector<std::wstring> SectionNames(const std::wstring& file) {
  std::wstring buffer(kReadCapacity, L'\0');
  const DWORD length = ::GetPrivateProfileSectionNamesW(&buffer[0], kReadCapacity, file.c_str());
  return SplitList(buffer, length);
}

}  // namespace

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file)
    return bytes;
  char chunk[4096];
  for (size_t read; bytes.size() < kReadLimit && (read = std::fread(chunk, 1, 4096, file)) > 0;)
    bytes.append(chunk, read);
  std::fclose(file);
  return bytes;
}

bool WriteAllBytes(const std::wstring& path, const std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file)
    return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

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

bool IsPlainNumber(const std::wstring& text) {
  if (text.empty() || text.size() >= quillon::kNumberKeyCapacity ||
      (text.size() > 1 && text[0] == L'0'))
    return false;
  return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ReadValue(const wchar_t* section, const std::wstring& key, const std::wstring& file) {
  std::wstring value(kReadCapacity, L'\0');
  const DWORD length =
      ::GetPrivateProfileStringW(section, key.c_str(), L"", &value[0], kReadCapacity, file.c_str());
  value.resize(length);
  return value;
}

std::vector<std::wstring> KeyNames(const wchar_t* section, const std::wstring& file) {
  std::wstring buffer(kReadCapacity, L'\0');
  const DWORD length =
      ::GetPrivateProfileStringW(section, nullptr, L"", &buffer[0], kReadCapacity, file.c_str());
  return SplitList(buffer, length);
}

std::wstring Suggestion(const std::wstring& name,
                        const std::vector<std::wstring>& known,
                        const wchar_t* open,
                        const wchar_t* close) {
  const std::wstring nearest = NearestName(name, known);
  return nearest.empty() ? std::wstring()
                         : L" (did you mean " + std::wstring(open) + nearest + close + L"?)";
}

StickFile FileIn(const std::wstring& folder, const std::wstring& name, Findings* findings) {
  return {folder + name, quillon::kStickConfigFolder + name, findings};
}

void CheckSections(const StickFile& file, const std::vector<std::wstring>& known) {
  for (const std::wstring& section : SectionNames(file.path)) {
    if (!Contains(known, section)) {
      file.Add(kWarning, section, L"",
               L"the launcher reads no such section" + Suggestion(section, known, L"[", L"]"));
    }
  }
}

void CheckEncoding(const StickFile& file) {
  const std::string bytes = ReadBytes(file.path);
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    return;
  }
  const bool utf8_mark = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
  if (utf8_mark) {
    file.Add(kError, L"", L"",
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
      shown = ReadValue(section.c_str(), key, file.path);
    file.Add(kError, section, key,
             std::wstring(L"non-ASCII text in a file without a UTF-16LE byte-order mark") +
                 (utf8_mark ? L" (it has UTF-8's)" : L"") +
                 L": Windows reads it in the PC's ANSI code page (as read here, in code page " +
                 std::to_wstring(::GetACP()) + L": " + Quote(shown) +
                 L"); save the file as UTF-16LE (Unicode) with its byte-order mark");
  }
}

std::wstring KeyOf(unsigned message) {
  const wchar_t* key = quillon::LanguageKeyOf(message);
  return key ? Trim(key) : std::wstring();
}

std::wstring StickParameter(const std::wstring& folder) {
  const std::wstring settings = folder + quillon::kStickSettingsName;
  wchar_t parameter[quillon::kStickSettingCapacity] = {};
  ::GetPrivateProfileStringW(quillon::kStickSection, quillon::kParameterKey, L"", parameter,
                             quillon::kStickSettingCapacity, settings.c_str());
  return parameter;
}

StickReport CheckStick(const std::wstring& root) {
  const std::wstring folder = root + quillon::kStickConfigFolder;
  StickReport report;
  CheckIndexFile(folder, StickParameter(folder), &report);
  CheckSettingsFile(folder, &report.findings);
  // The language files' checks read their texts through the launcher's lookup.
  quillon::SetCurrentLanguageFile(L"");
  return report;
}

}  // namespace stick_check

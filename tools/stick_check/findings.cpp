#include "tools/stick_check/findings.h"

#include <windows.h>

#include <algorithm>

namespace stick_check {
namespace {

wchar_t UpperAscii(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

size_t EditDistance(const std::wstring& a, const std::wstring& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j)
    row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      const size_t cost = UpperAscii(a[i - 1]) == UpperAscii(b[j - 1]) ? 0 : 1;
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + cost});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::wstring FormatFinding(const Finding& finding) {
  static const wchar_t* const kNames[] = {L"error", L"warning", L"note"};
  std::wstring line = kNames[static_cast<int>(finding.severity)];
  line += L": " + finding.file;
  if (!finding.section.empty())
    line += L" [" + finding.section + L"]";
  if (!finding.key.empty())
    line += L" " + finding.key;
  line += L": " + finding.text;
  return line;
}

bool HasErrors(const Findings& findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const Finding& f) { return f.severity == Severity::kError; });
}

std::wstring Quote(const std::wstring& text, size_t limit) {
  std::wstring shown;
  for (size_t i = 0; i < text.size() && shown.size() < limit; ++i) {
    if (text[i] == L'\r')
      continue;
    shown += text[i] == L'\n' ? std::wstring(L"\\n") : std::wstring(1, text[i]);
  }
  const bool cut = shown.size() >= limit && text.size() > limit;
  return L"\"" + shown + (cut ? L"...\"" : L"\"");
}

std::wstring NearestName(const std::wstring& name, const std::vector<std::wstring>& known) {
  std::wstring best;
  size_t best_distance = std::max<size_t>(2, name.size() / 3) + 1;
  for (const std::wstring& candidate : known) {
    const size_t distance = EditDistance(name, candidate);
    if (distance < best_distance) {
      best_distance = distance;
      best = candidate;
    }
  }
  return best;
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty())
    return std::string();
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
  return bytes;
}

}  // namespace stick_check

// The pseudo-translation of one text (pseudo.h).
#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <vector>

#include "localization/language_list.h"
#include "tools/stick_check/pseudo.h"

namespace stick_check {
namespace {

// Each letter of kPlain becomes the character at its place in kAccented:
// look-alikes that Wine's Tahoma, the dialogs' font, draws itself.
constexpr wchar_t kPlain[] = L"acdefghilnoprstuyzACDEGHILNOPRSTUYZ";
constexpr wchar_t kAccented[] = L"åçðéƒĝĥîĺñöþŕšţûýžÅÇÐÉĜĤÎĹÑÖÞŔŠŢÛÝŽ";
static_assert(sizeof(kPlain) == sizeof(kAccented), "one look-alike per letter");

// How much a text grows, by its length: the usual rules of pseudo-
// localisation, which give short texts more room, as translations need.
struct Growth {
  size_t up_to;  // characters of the text
  size_t percent;
};
constexpr Growth kGrowth[] = {{10, 100}, {20, 80}, {30, 60}, {SIZE_MAX, 40}};
constexpr size_t kLeastGrowth = 3;  // the brackets and one wide character

// What follows the text: two wide characters, then " !!!" again and again.
wchar_t PadAt(size_t i) {
  static const wchar_t kWide[] = L"語字";
  static const wchar_t kRepeat[] = L" !!!";
  return i < 2 ? kWide[i] : kRepeat[(i - 2) % 4];
}

// The length of the format specifier that begins at |at| (a '%'), as the
// printf family reads one: "%%", or an optional position ("1$"), flags,
// width, precision, size and a conversion. 0 when none begins there: that
// '%' is plain text.
size_t SpecifierLength(const std::wstring& text, size_t at) {
  const size_t n = text.size();
  size_t i = at + 1;
  if (i < n && text[i] == L'%')
    return 2;
  auto digits = [&](size_t from) {
    while (from < n && text[from] >= L'0' && text[from] <= L'9')
      ++from;
    return from;
  };
  if (const size_t end = digits(i); end > i && end < n && text[end] == L'$')
    i = end + 1;
  while (i < n && text[i] != L'\0' && std::wcschr(L"-+ #0", text[i]))
    ++i;
  i = (i < n && text[i] == L'*') ? i + 1 : digits(i);
  if (i < n && text[i] == L'.') {
    ++i;
    i = (i < n && text[i] == L'*') ? i + 1 : digits(i);
  }
  static const wchar_t* const kSizes[] = {L"I64", L"I32", L"hh", L"ll", L"h", L"l",
                                          L"L",   L"w",   L"I",  L"j",  L"z", L"t"};
  for (const wchar_t* size : kSizes) {
    if (text.compare(i, std::wcslen(size), size) == 0) {
      i += std::wcslen(size);
      break;
    }
  }
  if (i < n && text[i] != L'\0' && std::wcschr(L"diouxXcCsSaAeEfgGpn", text[i]))
    return i + 1 - at;
  return 0;
}

// |text| in pieces that are never cut apart: a specifier, a "\n", a
// surrogate pair, or one character (a letter already accented).
std::vector<std::wstring> Pieces(const std::wstring& text) {
  std::vector<std::wstring> pieces;
  for (size_t i = 0; i < text.size();) {
    size_t length = 1;
    if (text[i] == L'%')
      length = std::max<size_t>(1, SpecifierLength(text, i));
    else if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'n')
      length = 2;
    else if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size())
      length = 2;
    std::wstring piece = text.substr(i, length);
    if (length == 1) {
      if (const wchar_t* plain = std::wcschr(kPlain, piece[0]); plain && piece[0] != L'\0')
        piece[0] = kAccented[plain - kPlain];
    }
    pieces.push_back(piece);
    i += length;
  }
  return pieces;
}

}  // namespace

std::wstring PseudoText(const std::wstring& text, size_t limit) {
  if (text.empty())
    return text;
  // A longer text never grows by less than the longest of a shorter band.
  size_t grown = kLeastGrowth;
  for (const Growth& growth : kGrowth) {
    const size_t length = std::min(text.size(), growth.up_to);
    grown = std::max(grown, (length * growth.percent + 99) / 100);
    if (text.size() <= growth.up_to)
      break;
  }
  std::vector<std::wstring> pieces = Pieces(text);
  for (size_t i = 0; i + 2 < grown; ++i)
    pieces.push_back(std::wstring(1, PadAt(i)));

  // Everything between the brackets, whole pieces only.
  const size_t room = limit - 1;
  std::wstring inside;
  for (const std::wstring& piece : pieces) {
    if (inside.size() + piece.size() > room) {
      inside.append(room - inside.size(), L'!');
      break;
    }
    inside += piece;
  }
  // No blank before the closing bracket, where it would hide.
  if (inside.back() == L' ')
    inside.back() = L'!';
  return L"[" + inside + L"]";
}

bool IsPseudoLanguage(const std::wstring& file_name) {
  return quillon::HexLanguageId(file_name.c_str()) == kPseudoLanguageId;
}

}  // namespace stick_check

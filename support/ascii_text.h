// Comparison of texts whose letters are plain Latin letters (codes, keys,
// settings values). The locale-aware comparisons fold case by the user's
// language, so that a Turkish dotted capital I would not match "i"; these
// never depend on it.
#ifndef QUILLON_SUPPORT_ASCII_TEXT_H_
#define QUILLON_SUPPORT_ASCII_TEXT_H_

namespace quillon {

// True when |a| and |b| are equal with A-Z and a-z taken as the same letters;
// every other character must match exactly.
bool EqualsIgnoringAsciiCase(const wchar_t* a, const wchar_t* b);

}  // namespace quillon

#endif  // QUILLON_SUPPORT_ASCII_TEXT_H_

// Numbers read from text that comes from outside the launcher (version texts
// of program files, the service's replies). Pure functions on characters and
// lengths: they don't use the system, so they also build and are fuzzed on
// a host (where wchar_t must then be 16 bits wide, as on Windows).
#ifndef QUILLON_SUPPORT_NUMBER_TEXT_H_
#define QUILLON_SUPPORT_NUMBER_TEXT_H_

#include <climits>
#include <cstddef>

namespace quillon {

// Converts the decimal number at the start of |text|, |length| characters
// that need not be terminated, as strtol and wcstol do in the C locale:
// leading white space, an optional sign, digits up to the first non-digit;
// no digits give 0. Values beyond the range of int are clamped to it (the
// conversions clamp to long, which is 32 bits wide on Windows). Nothing past
// |length| is read. |Char| is char or wchar_t.
template <typename Char>
int ConvertDecimalNumber(const Char* text, size_t length) {
  size_t i = 0;
  while (i < length && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
    ++i;
  bool negative = false;
  if (i < length && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
    // Past INT_MAX the value only needs to stay past it: clamped below.
    if (value <= INT_MAX)
      value = value * 10 + (text[i] - '0');
  }
  if (negative)
    value = -value;
  if (value > INT_MAX)
    return INT_MAX;
  if (value < INT_MIN)
    return INT_MIN;
  return static_cast<int>(value);
}

// Parses up to four numbers separated by |separator| from |text|, which is
// |length| characters long (it need not be terminated; a terminator inside
// the length ends it there); nothing past |length| is read. Each number is
// ConvertDecimalNumber of the text from the start or right after a
// separator. Returns how many numbers were stored (1 to 4); the rest of
// |numbers| is -1. |more| is set when another separator follows the fourth
// number.
int ParseVersionNumbers(const wchar_t* text,
                        size_t length,
                        wchar_t separator,
                        int numbers[4],
                        bool* more);

}  // namespace quillon

#endif  // QUILLON_SUPPORT_NUMBER_TEXT_H_

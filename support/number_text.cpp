#include "support/number_text.h"

namespace quillon {

int ParseVersionNumbers(const wchar_t* text,
                        size_t length,
                        wchar_t separator,
                        int numbers[4],
                        bool* more) {
  for (int i = 0; i < 4; ++i)
    numbers[i] = -1;
  *more = false;
  size_t end = 0;
  while (end < length && text[end] != L'\0')
    ++end;

  int count = 0;
  size_t position = 0;
  for (;;) {
    numbers[count++] = ConvertDecimalNumber(text + position, end - position);
    size_t next = position;
    while (next < end && text[next] != separator)
      ++next;
    if (next == end)
      return count;
    if (count == 4) {
      *more = true;
      return count;
    }
    position = next + 1;
  }
}

}  // namespace quillon

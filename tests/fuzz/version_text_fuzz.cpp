// A version text as a version resource holds it: UTF-16LE, of any length and
// content. The first byte picks the separator (the comma of
// ProductVersionAtLeast or the dot of the deployment's exact versions).
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "support/number_text.h"
#include "tests/fuzz/fuzz_check.h"

static_assert(sizeof(wchar_t) == 2, "build with -fshort-wchar: wide text is UTF-16 on Windows");

namespace {

// The C library's conversion, clamped to int as ConvertDecimalNumber is.
int LibraryConversion(const std::string& text) {
  const long value = std::strtol(text.c_str(), nullptr, 10);
  if (value > INT_MAX)
    return INT_MAX;
  if (value < INT_MIN)
    return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillon;
  if (size == 0)
    return 0;
  const wchar_t separator = (data[0] & 1) ? L'.' : L',';
  const size_t length = (size - 1) / 2;
  // Exactly |length| characters, so that a read past them is a finding.
  std::unique_ptr<wchar_t[]> text(new wchar_t[length]);
  bool ascii = true;
  for (size_t i = 0; i < length; ++i) {
    text[i] = static_cast<wchar_t>(data[1 + 2 * i] | (data[2 + 2 * i] << 8));
    ascii = ascii && text[i] < 0x80;
  }

  int numbers[4];
  bool more = false;
  const int count = ParseVersionNumbers(text.get(), length, separator, numbers, &more);
  FUZZ_CHECK(count >= 1 && count <= 4);
  FUZZ_CHECK(!more || count == 4);
  for (int i = count; i < 4; ++i)
    FUZZ_CHECK(numbers[i] == -1);

  // The conversion of the whole text agrees with strtol's, for single-byte
  // and wide text alike (a terminator ends both).
  if (ascii) {
    std::string narrow;
    for (size_t i = 0; i < length; ++i)
      narrow += static_cast<char>(text[i]);
    const int expected = LibraryConversion(narrow);
    FUZZ_CHECK(ConvertDecimalNumber(narrow.data(), narrow.size()) == expected);
    FUZZ_CHECK(ConvertDecimalNumber(text.get(), length) == expected);
  }
  return 0;
}

// Version texts of program files, read through the system's version library
// (loaded from the system folder on first use) and turned into numbers.
#ifndef QUILLON_SUPPORT_VERSION_INFO_H_
#define QUILLON_SUPPORT_VERSION_INFO_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "support/number_text.h"

namespace quillon {

// Reads the FileVersion text (of the first translation) of |path| as four
// comma-separated numbers. True only when exactly four were read. |numbers|
// always receives four values: the ones read, -1 for the others.
bool ReadFileVersion(const wchar_t* path, int numbers[4]);

// True when the ProductVersion text of |path| (U.S. English, Unicode block),
// read as comma-separated numbers, has a first number of at least
// |minimum_major| and a fourth of at least |minimum_fourth|.
bool ProductVersionAtLeast(const wchar_t* path, int minimum_major, int minimum_fourth);

// True when the ProductVersion text (U.S. English, Unicode block) of |path|
// reads exactly a.b.c.d as dot-separated numbers.
bool ProductVersionEquals(const wchar_t* path, int a, int b, int c, int d);

// Reads the ProductVersion text of |path| (U.S. English, Unicode block) into
// |text| of |capacity| characters. False when the file, its version block or
// that text can't be read, or the text doesn't fit.
bool ReadProductVersionText(const wchar_t* path, wchar_t* text, size_t capacity);

// True when the |value_bytes| bytes at |value| lie wholly inside the
// |block_size| bytes at |block| (a value that VerQueryValueW points at is used
// only then).
bool ValueLiesInBlock(const void* block,
                      size_t block_size,
                      const void* value,
                      uint64_t value_bytes);

}  // namespace quillon

#endif  // QUILLON_SUPPORT_VERSION_INFO_H_

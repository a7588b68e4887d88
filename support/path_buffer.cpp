#include "support/path_buffer.h"

#include <strsafe.h>

#include <cstdarg>
#include <cwchar>

namespace quillon {

bool PathBuffer::Assign(const wchar_t* text) {
  Clear();
  return Append(text);
}

bool PathBuffer::Append(const wchar_t* text) {
  if (!text || FAILED(::StringCchCatW(text_, kCapacity, text))) {
    Clear();
    return false;
  }
  return true;
}

bool PathBuffer::Join(const wchar_t* folder, const wchar_t* name) {
  if (!Assign(folder) || IsEmpty())
    return false;
  if (Last() != L'\\' && !Append(L"\\"))
    return false;
  return Append(name);
}

bool PathBuffer::Format(const wchar_t* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const HRESULT result = ::StringCchVPrintfW(text_, kCapacity, format, arguments);
  va_end(arguments);
  if (FAILED(result)) {
    Clear();
    return false;
  }
  return true;
}

bool PathBuffer::TakeWritten(size_t length) {
  // A call that fills the buffer exactly has cut the path (and on Windows XP
  // left it unterminated).
  if (length == 0 || length >= kCapacity) {
    Clear();
    return false;
  }
  text_[length] = L'\0';
  return true;
}

void PathBuffer::Truncate(size_t length) {
  if (length < Length())
    text_[length] = L'\0';
}

size_t PathBuffer::Length() const {
  return ::wcsnlen(text_, kCapacity);
}

wchar_t PathBuffer::Last() const {
  const size_t length = Length();
  return length == 0 ? L'\0' : text_[length - 1];
}

}  // namespace quillon

// The one buffer in which the launcher builds paths: MAX_PATH (260) wide
// characters, terminator included.
//
// Every operation is bounded by that capacity and says whether the whole
// result fitted. A path cut to fit would name another file, so a result that
// doesn't fit is never kept: the buffer is then empty and the call returns
// false. Calls chain:
//
//   PathBuffer path;
//   if (!path.Assign(folder) || !path.Append(L"Portico.exe"))
//     return kResultPathFormat;
#ifndef QUILLON_SUPPORT_PATH_BUFFER_H_
#define QUILLON_SUPPORT_PATH_BUFFER_H_

#include <windows.h>

#include <cstddef>

namespace quillon {

class PathBuffer {
 public:
  static constexpr size_t kCapacity = MAX_PATH;

  PathBuffer() = default;

  // Replaces the content with |text|. False (buffer empty) when |text| is null
  // or longer than 259 characters.
  bool Assign(const wchar_t* text);
  // Appends |text|. False (buffer empty) when |text| is null or the result
  // doesn't fit.
  bool Append(const wchar_t* text);
  // Replaces the content with |folder| and |name| joined by a backslash,
  // which is left out when |folder| already ends with one. False (buffer
  // empty) when either is null, |folder| is empty, or the result doesn't fit.
  bool Join(const wchar_t* folder, const wchar_t* name);
  // Replaces the content with the formatted text (wide printf conventions:
  // %s takes a wide string, %c a wide character). False (buffer empty) when
  // the result doesn't fit or the format fails.
  bool Format(const wchar_t* format, ...);

  // For system calls that write a path into a buffer of kCapacity characters
  // (Data()) and return its length: |length| is what the call returned. True
  // when a path of 1 to 259 characters was written; otherwise (0 for a
  // failure, kCapacity or more for a cut or too long path) the buffer is
  // emptied and false returned.
  bool TakeWritten(size_t length);

  // Cuts the content to its first |length| characters (no effect when it is
  // shorter).
  void Truncate(size_t length);
  void Clear() { text_[0] = L'\0'; }

  const wchar_t* Get() const { return text_; }
  // The buffer itself, kCapacity characters, for system calls that fill it;
  // confirm what they wrote with TakeWritten.
  wchar_t* Data() { return text_; }
  size_t Length() const;
  bool IsEmpty() const { return text_[0] == L'\0'; }
  // The last character, or L'\0' when empty.
  wchar_t Last() const;

 private:
  wchar_t text_[kCapacity] = {};
};

}  // namespace quillon

#endif  // QUILLON_SUPPORT_PATH_BUFFER_H_

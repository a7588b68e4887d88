#include "support/version_info.h"

#include <strsafe.h>

#include <cstdint>
#include <cwchar>

#include "support/handles.h"
#include "support/system_library.h"

namespace quillon {
namespace {

const wchar_t kTranslationQuery[] = L"\\VarFileInfo\\Translation";
const wchar_t kFileVersionQueryFormat[] = L"\\StringFileInfo\\%04x%04x\\FileVersion";
const wchar_t kProductVersionQuery[] = L"\\StringFileInfo\\040904b0\\ProductVersion";
constexpr size_t kQueryCapacity = 1024;

using GetFileVersionInfoSizeWFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetFileVersionInfoWFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using VerQueryValueWFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

// The version library's functions, looked up once. version.dll is never
// linked: it is loaded from the system folder only, so that a copy planted
// beside the launcher on the stick is never used.
struct VersionLibrary {
  GetFileVersionInfoSizeWFn get_size = nullptr;
  GetFileVersionInfoWFn get_info = nullptr;
  VerQueryValueWFn query_value = nullptr;
};

// Null when the library or one of its functions is unavailable.
const VersionLibrary* GetVersionLibrary() {
  static VersionLibrary library;
  static bool loaded = false;
  if (!loaded) {
    HMODULE module = LoadSystemLibrary(L"version.dll");
    if (module) {
      library.get_size =
          LookUpProcedure<GetFileVersionInfoSizeWFn>(module, "GetFileVersionInfoSizeW");
      library.get_info = LookUpProcedure<GetFileVersionInfoWFn>(module, "GetFileVersionInfoW");
      library.query_value = LookUpProcedure<VerQueryValueWFn>(module, "VerQueryValueW");
    }
    // A failed load is not retried: the answer won't change during a run.
    loaded = true;
  }
  if (!library.get_size || !library.get_info || !library.query_value)
    return nullptr;
  return &library;
}

// The version resource of one file, read into memory that the object owns.
class VersionBlock {
 public:
  VersionBlock() = default;
  VersionBlock(const VersionBlock&) = delete;
  VersionBlock& operator=(const VersionBlock&) = delete;

  // False when the file has no readable version resource.
  bool Read(const wchar_t* path) {
    library_ = GetVersionLibrary();
    if (!library_)
      return false;
    DWORD handle = 0;
    size_ = library_->get_size(path, &handle);
    if (size_ == 0)
      return false;
    memory_.reset(::LocalAlloc(LPTR, size_));
    if (!memory_.get())
      return false;
    return library_->get_info(path, 0, size_, memory_.get()) != FALSE;
  }

  // Points |value| at the value of |query| and sets |length| to its length
  // as the version library reports it, in units of |unit| bytes (characters
  // for texts, bytes otherwise). False when the value is missing, or when it
  // doesn't lie wholly inside the block: a damaged block must not make the
  // reads below run past it.
  bool Query(const wchar_t* query, size_t unit, const void** value, UINT* length) const {
    void* found = nullptr;
    UINT found_length = 0;
    if (!library_->query_value(memory_.get(), query, &found, &found_length))
      return false;
    if (!ValueLiesInBlock(memory_.get(), size_, found, static_cast<uint64_t>(found_length) * unit))
      return false;
    *value = found;
    *length = found_length;
    return true;
  }

  // As Query for a text; |length| is in characters.
  bool QueryText(const wchar_t* query, const wchar_t** text, size_t* length) const {
    const void* value = nullptr;
    UINT value_length = 0;
    if (!Query(query, sizeof(wchar_t), &value, &value_length))
      return false;
    *text = static_cast<const wchar_t*>(value);
    *length = value_length;
    return true;
  }

 private:
  const VersionLibrary* library_ = nullptr;
  DWORD size_ = 0;
  LocalMemory memory_;
};

}  // namespace

bool ValueLiesInBlock(const void* block,
                      size_t block_size,
                      const void* value,
                      uint64_t value_bytes) {
  if (!block || !value)
    return false;
  const uintptr_t begin = reinterpret_cast<uintptr_t>(block);
  const uintptr_t at = reinterpret_cast<uintptr_t>(value);
  if (at < begin || at - begin > block_size)
    return false;
  return value_bytes <= block_size - (at - begin);
}

bool ReadFileVersion(const wchar_t* path, int numbers[4]) {
  for (int i = 0; i < 4; ++i)
    numbers[i] = -1;
  VersionBlock block;
  if (!block.Read(path))
    return false;

  const void* translation = nullptr;
  UINT translation_size = 0;
  if (!block.Query(kTranslationQuery, 1, &translation, &translation_size) ||
      translation_size < 2 * sizeof(WORD)) {
    return false;
  }
  const WORD* words = static_cast<const WORD*>(translation);
  wchar_t query[kQueryCapacity] = {};
  if (FAILED(
          ::StringCchPrintfW(query, kQueryCapacity, kFileVersionQueryFormat, words[0], words[1]))) {
    return false;
  }

  const wchar_t* text = nullptr;
  size_t length = 0;
  if (!block.QueryText(query, &text, &length))
    return false;
  bool more = false;
  int count = ParseVersionNumbers(text, length, L',', numbers, &more);
  return count == 4 && !more;
}

bool ProductVersionAtLeast(const wchar_t* path, int minimum_major, int minimum_fourth) {
  VersionBlock block;
  if (!block.Read(path))
    return false;
  const wchar_t* text = nullptr;
  size_t length = 0;
  if (!block.QueryText(kProductVersionQuery, &text, &length))
    return false;
  int numbers[4];
  bool more = false;
  ParseVersionNumbers(text, length, L',', numbers, &more);
  // Fields after the fourth don't matter; the second and third neither.
  return numbers[0] >= minimum_major && numbers[3] >= minimum_fourth;
}

bool ProductVersionEquals(const wchar_t* path, int a, int b, int c, int d) {
  // A version text that doesn't fit isn't one of the plain four-number texts
  // compared here.
  wchar_t text[256] = {};
  if (!ReadProductVersionText(path, text, sizeof(text) / sizeof(text[0])))
    return false;
  // Four dot-separated numbers are read from the start; whatever follows the
  // fourth is not looked at. Numbers not read stay -1 and never match.
  int numbers[4] = {-1, -1, -1, -1};
  bool more = false;
  ParseVersionNumbers(text, std::wcslen(text), L'.', numbers, &more);
  return numbers[0] == a && numbers[1] == b && numbers[2] == c && numbers[3] == d;
}

bool ReadProductVersionText(const wchar_t* path, wchar_t* text, size_t capacity) {
  if (capacity == 0)
    return false;
  text[0] = L'\0';
  VersionBlock block;
  if (!block.Read(path))
    return false;
  const wchar_t* value = nullptr;
  size_t length = 0;
  if (!block.QueryText(kProductVersionQuery, &value, &length))
    return false;
  size_t end = 0;
  while (end < length && value[end] != L'\0')
    ++end;
  if (end >= capacity)
    return false;
  for (size_t i = 0; i < end; ++i)
    text[i] = value[i];
  text[end] = L'\0';
  return true;
}

}  // namespace quillon

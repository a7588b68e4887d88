#include "support/system_library.h"

#include <strsafe.h>

namespace quillon {

void RestrictLibrarySearchToSystemFolder() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel32) return;
  auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  if (set_default) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const wchar_t* file_name) {
  // Where the search flags are understood, they keep the search in the system folder.
  HMODULE module = ::LoadLibraryExW(file_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module) return module;
  // Older systems reject the flag (ERROR_INVALID_PARAMETER): name the file by
  // its full path in the system folder instead.
  wchar_t path[MAX_PATH] = {};
  UINT len = ::GetSystemDirectoryW(path, MAX_PATH);
  if (len == 0 || len >= MAX_PATH) return nullptr;
  if (FAILED(::StringCchCatW(path, MAX_PATH, L"\\")) ||
      FAILED(::StringCchCatW(path, MAX_PATH, file_name))) {
    ::SetLastError(ERROR_BUFFER_OVERFLOW);
    return nullptr;
  }
  return ::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace quillon

#include "support/system_library.h"

#include <strsafe.h>

namespace quillon {

void RestrictLibrarySearchToSystemFolder() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel32)
    return;
  auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  if (!set_default)
    return;
  // On Vista (6.0, with the update that brings the call) the shell-link
  // object can no longer be created once the search is restricted, and the
  // viewer is started through a shortcut: leave the search as it is there.
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (::GetVersionExW(&version) && version.dwMajorVersion == 6 && version.dwMinorVersion == 0)
    return;
  set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const wchar_t* file_name) {
  // Where the search flags are understood, they keep the search in the system folder.
  HMODULE module = ::LoadLibraryExW(file_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module)
    return module;
  // Older systems reject the flag (ERROR_INVALID_PARAMETER): name the file by
  // its full path in the system folder instead.
  wchar_t path[MAX_PATH] = {};
  UINT len = ::GetSystemDirectoryW(path, MAX_PATH);
  if (len == 0 || len >= MAX_PATH)
    return nullptr;
  if (FAILED(::StringCchCatW(path, MAX_PATH, L"\\")) ||
      FAILED(::StringCchCatW(path, MAX_PATH, file_name))) {
    ::SetLastError(ERROR_BUFFER_OVERFLOW);
    return nullptr;
  }
  return ::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace quillon

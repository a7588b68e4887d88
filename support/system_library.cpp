#include "support/system_library.h"

#include "support/path_buffer.h"

namespace quillon {
namespace {

// The plain version record that GetVersionExW fills (here and in the
// platform predicates).
#if !defined(_WIN64)
static_assert(sizeof(OSVERSIONINFOW) == 276, "plain version record of 276 bytes");
#endif

// Loads |file_name| by its full path in the system folder. The loader keeps
// one module per name, so every later load by the bare name gets this one.
HMODULE LoadFromSystemFolder(const wchar_t* file_name) {
  PathBuffer path;
  if (!path.TakeWritten(::GetSystemDirectoryW(path.Data(), PathBuffer::kCapacity)) ||
      !path.Append(L"\\") || !path.Append(file_name)) {
    ::SetLastError(ERROR_BUFFER_OVERFLOW);
    return nullptr;
  }
  return ::LoadLibraryExW(path.Get(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

bool RestrictLibrarySearchToSystemFolder() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  ::GetVersionExW(&version);

  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  auto set_default =
      LookUpProcedure<SetDefaultDllDirectoriesFn>(kernel32, "SetDefaultDllDirectories");
  // On Vista (6.0, with the update that brings the call) the shell-link
  // object can no longer be created once the search is restricted, and the
  // viewer is started through a shortcut: the search stays as it is there.
  const bool vista = version.dwMajorVersion == 6 && version.dwMinorVersion == 0;
  if (set_default && !vista && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32))
    return true;

  // Unrestricted: take the system's own copies before anything (the version
  // reads, the dialogs' themed background, the system's libraries themselves)
  // asks for them by name. Windows 2000 has no uxtheme.dll and never loads it.
  LoadFromSystemFolder(L"version.dll");
  const bool xp_or_later =
      version.dwMajorVersion > 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion >= 1);
  if (xp_or_later)
    LoadFromSystemFolder(L"uxtheme.dll");
  return false;
}

HMODULE LoadSystemLibrary(const wchar_t* file_name) {
  // Where the search flags are understood, they keep the search in the system folder.
  HMODULE module = ::LoadLibraryExW(file_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module)
    return module;
  // Older systems reject the flag (ERROR_INVALID_PARAMETER): name the file by
  // its full path in the system folder instead.
  return LoadFromSystemFolder(file_name);
}

}  // namespace quillon

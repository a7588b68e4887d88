// Loading of optional system libraries from the system folder only.
//
// A launcher on a USB stick must never pick up a library planted beside it
// (uxtheme.dll, version.dll...) or in the current folder.
#ifndef QUILLON_SUPPORT_SYSTEM_LIBRARY_H_
#define QUILLON_SUPPORT_SYSTEM_LIBRARY_H_

#include <windows.h>

namespace quillon {

// Called first thing at start. Restricts the process's library search to the
// system folder where the system offers SetDefaultDllDirectories (Windows 8,
// or 7 and Vista with a later update), except on Windows 6.0 (see the .cpp).
// Where the search stays unrestricted, the optional libraries that the
// launcher or the system's own libraries load by name (version.dll, and
// uxtheme.dll on 5.1 and later) are loaded from the system folder at once, so
// that a later load by name reuses them instead of searching the stick.
// Returns true when the search was restricted.
bool RestrictLibrarySearchToSystemFolder();

// Loads |file_name| (for example L"version.dll") from the system folder.
// Returns the module, or null when it can't be loaded (last error set). The
// module stays loaded for the life of the process; callers keep no reference.
HMODULE LoadSystemLibrary(const wchar_t* file_name);

// The procedure |name| (a name, or an ordinal through MAKEINTRESOURCEA) of
// |module| as a function of type |Fn|; null when |module| is null or doesn't
// export it.
template <typename Fn>
Fn LookUpProcedure(HMODULE module, const char* name) {
  if (!module)
    return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace quillon

#endif  // QUILLON_SUPPORT_SYSTEM_LIBRARY_H_

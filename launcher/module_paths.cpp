#include "launcher/module_paths.h"

#include <strsafe.h>

namespace quillon {
namespace {

// The C runtime's limit for the directory, name and extension of a path.
constexpr size_t kMaxPathComponent = 256;

wchar_t g_module_folder[MAX_PATH];
wchar_t g_module_ini_path[MAX_PATH];

}  // namespace

bool ModuleFolderFromPath(const wchar_t* path, wchar_t* folder, size_t capacity) {
  if (!folder || capacity == 0)
    return false;
  folder[0] = L'\0';
  if (!path)
    return false;
  const size_t drive_length = (path[0] != L'\0' && path[1] == L':') ? 2 : 0;
  const wchar_t* directory = path + drive_length;
  const wchar_t* name = directory;
  for (const wchar_t* p = directory; *p != L'\0'; ++p) {
    if (*p == L'\\' || *p == L'/')
      name = p + 1;
  }
  const wchar_t* extension = ::wcsrchr(name, L'.');
  if (!extension)
    extension = name + ::wcslen(name);
  const size_t directory_length = static_cast<size_t>(name - directory);
  const size_t name_length = static_cast<size_t>(extension - name);
  const size_t extension_length = ::wcslen(extension);
  // Each part must fit a 256-character buffer with its terminator.
  if (directory_length >= kMaxPathComponent || name_length >= kMaxPathComponent ||
      extension_length >= kMaxPathComponent) {
    return false;
  }
  if (FAILED(::StringCchCopyNW(folder, capacity, path, drive_length + directory_length))) {
    folder[0] = L'\0';
    return false;
  }
  return true;
}

bool IsDriveLetterPath(const wchar_t* path) {
  if (!path)
    return false;
  const wchar_t letter = path[0];
  const bool is_letter = (letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z');
  return is_letter && path[1] == L':';
}

const wchar_t* GetModuleFolder() {
  g_module_folder[0] = L'\0';
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  // A path that fills the buffer was cut (and, on XP, isn't terminated).
  if (length == 0 || length >= MAX_PATH)
    return nullptr;
  if (!ModuleFolderFromPath(path, g_module_folder, MAX_PATH))
    return nullptr;
  return g_module_folder;
}

const wchar_t* GetModuleIniPath() {
  const DWORD length = ::GetModuleFileNameW(nullptr, g_module_ini_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    g_module_ini_path[0] = L'\0';
    return nullptr;
  }
  wchar_t* dot = ::wcsrchr(g_module_ini_path, L'.');
  if (dot)
    *dot = L'\0';
  if (FAILED(::StringCchCatW(g_module_ini_path, MAX_PATH, L".ini"))) {
    g_module_ini_path[0] = L'\0';
    return nullptr;
  }
  return g_module_ini_path;
}

}  // namespace quillon

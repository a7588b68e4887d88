#include "launcher/paths/module_paths.h"

#include <cwchar>

namespace quillon {
namespace {

// The C runtime's limit for the directory, name and extension of a path.
constexpr size_t kMaxPathComponent = 256;

PathBuffer g_module_folder;
PathBuffer g_module_ini_path;

}  // namespace

const wchar_t* g_own_path_for_testing = nullptr;

bool ReadOwnPath(PathBuffer* path) {
  if (g_own_path_for_testing)
    return path->Assign(g_own_path_for_testing) && !path->IsEmpty();
  return path->TakeWritten(::GetModuleFileNameW(nullptr, path->Data(), PathBuffer::kCapacity));
}

bool ModuleFolderFromPath(const wchar_t* path, PathBuffer* folder) {
  folder->Clear();
  if (!path)
    return false;
  const size_t drive_length = (path[0] != L'\0' && path[1] == L':') ? 2 : 0;
  const wchar_t* directory = path + drive_length;
  const wchar_t* name = directory;
  for (const wchar_t* p = directory; *p != L'\0'; ++p) {
    if (*p == L'\\' || *p == L'/')
      name = p + 1;
  }
  const wchar_t* extension = std::wcsrchr(name, L'.');
  if (!extension)
    extension = name + std::wcslen(name);
  const size_t directory_length = static_cast<size_t>(name - directory);
  const size_t name_length = static_cast<size_t>(extension - name);
  const size_t extension_length = std::wcslen(extension);
  // Each part must fit a 256-character buffer with its terminator.
  if (directory_length >= kMaxPathComponent || name_length >= kMaxPathComponent ||
      extension_length >= kMaxPathComponent) {
    return false;
  }
  return folder->Format(L"%.*s", static_cast<int>(drive_length + directory_length), path);
}

bool IsDriveLetterPath(const wchar_t* path) {
  if (!path)
    return false;
  const wchar_t letter = path[0];
  const bool is_letter = (letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z');
  return is_letter && path[1] == L':';
}

const wchar_t* GetModuleFolder() {
  g_module_folder.Clear();
  PathBuffer own_path;
  if (!ReadOwnPath(&own_path) || !ModuleFolderFromPath(own_path.Get(), &g_module_folder))
    return nullptr;
  return g_module_folder.Get();
}

bool ModuleIniPathFromPath(const wchar_t* path, PathBuffer* ini_path) {
  if (!ini_path->Assign(path))
    return false;
  const wchar_t* dot = std::wcsrchr(ini_path->Get(), L'.');
  if (dot)
    ini_path->Truncate(static_cast<size_t>(dot - ini_path->Get()));
  return ini_path->Append(L".ini");
}

const wchar_t* GetModuleIniPath() {
  PathBuffer own_path;
  if (!ReadOwnPath(&own_path) || !ModuleIniPathFromPath(own_path.Get(), &g_module_ini_path))
    return nullptr;
  return g_module_ini_path.Get();
}

}  // namespace quillon

#include "deploy/folders/folders.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "support/path_buffer.h"

namespace quillon {
namespace {

const wchar_t kProductFolderName[] = L"Vaultine";
const wchar_t kTempFilePrefix[] = L"UAS";

// The last temporary file made by MakeTempFilePath.
PathBuffer g_temp_file_path;

// The data folder's long path and its short form with the trailing
// backslash, once found. The shell's special-folder lookup and the short form
// cost milliseconds under every extraction's temporary file; a folder that
// still exists is not looked up again.
PathBuffer g_known_folder;
PathBuffer g_known_short_folder;

// Creates |path| as a folder when nothing exists there yet. False when it is
// missing and can't be created.
bool EnsureFolderExists(const PathBuffer& path) {
  if (::PathFileExistsW(path.Get()))
    return true;
  return ::CreateDirectoryW(path.Get(), nullptr) != 0;
}

// |folder| joined with |name| (one backslash between them, as PathCombineW
// joins), created as a folder when missing. False on any failure, including a
// file in the folder's place.
bool MakeFolderIn(const PathBuffer& folder, const wchar_t* name, PathBuffer* path) {
  if (!name || name[0] == L'\0' || !path->Join(folder.Get(), name))
    return false;
  return EnsureFolderExists(*path) && ::PathIsDirectoryW(path->Get());
}

// Writes the long path of the per-user data folder into |path|, creating the
// local application-data folder and the data folder when missing.
bool MakeProductFolder(PathBuffer* path) {
  if (!g_known_folder.IsEmpty() && ::PathIsDirectoryW(g_known_folder.Get())) {
    *path = g_known_folder;
    return true;
  }
  g_known_short_folder.Clear();
  LPITEMIDLIST item_list = nullptr;
  if (::SHGetSpecialFolderLocation(nullptr, CSIDL_LOCAL_APPDATA, &item_list) != S_OK) {
    return false;
  }
  PathBuffer base;
  ::SHGetPathFromIDListW(item_list, base.Data());
  ::CoTaskMemFree(item_list);
  if (!base.TakeWritten(base.Length()) || !EnsureFolderExists(base))
    return false;
  if (!MakeFolderIn(base, kProductFolderName, path))
    return false;
  g_known_folder = *path;
  return true;
}

// Appends the trailing backslash and returns GetShortPathNameW's answer for
// |path| into the caller's buffer.
DWORD ShortFormWithBackslash(PathBuffer* path, DWORD size, wchar_t* buffer) {
  if (!path->Append(L"\\"))
    return 0;
  return ::GetShortPathNameW(path->Get(), buffer, size);
}

}  // namespace

DWORD GetProductFolder(DWORD size, wchar_t* buffer) {
  PathBuffer folder;
  if (!MakeProductFolder(&folder))
    return 0;
  const size_t known = g_known_short_folder.Length();
  if (known != 0 && known < size) {
    ::lstrcpynW(buffer, g_known_short_folder.Get(), static_cast<int>(known + 1));
    return static_cast<DWORD>(known);
  }
  const DWORD length = ShortFormWithBackslash(&folder, size, buffer);
  if (length != 0 && length < size)
    g_known_short_folder.Assign(buffer);
  return length;
}

DWORD GetProductSubfolder(const wchar_t* name, DWORD size, wchar_t* buffer) {
  PathBuffer folder;
  PathBuffer subfolder;
  if (!MakeProductFolder(&folder) || !MakeFolderIn(folder, name, &subfolder))
    return 0;
  return ShortFormWithBackslash(&subfolder, size, buffer);
}

bool GetProductFolder(PathBuffer* folder) {
  return folder->TakeWritten(GetProductFolder(PathBuffer::kCapacity, folder->Data()));
}

bool GetProductSubfolder(const wchar_t* name, PathBuffer* folder) {
  return folder->TakeWritten(GetProductSubfolder(name, PathBuffer::kCapacity, folder->Data()));
}

const wchar_t* MakeTempFilePath() {
  PathBuffer folder;
  if (!GetProductFolder(&folder))
    return nullptr;
  // With 0 as the unique number the system picks a free name and creates the
  // file empty, so two calls never hand out the same name.
  if (::GetTempFileNameW(folder.Get(), kTempFilePrefix, 0, g_temp_file_path.Data()) == 0) {
    g_temp_file_path.Clear();
    return nullptr;
  }
  return g_temp_file_path.Get();
}

}  // namespace quillon

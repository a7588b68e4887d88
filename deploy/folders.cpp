#include "deploy/folders.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <strsafe.h>

namespace quillon {
namespace {

const wchar_t kProductFolderName[] = L"Vaultine";
const wchar_t kTempFilePrefix[] = L"UAS";

// The last temporary file made by MakeTempFilePath.
wchar_t g_temp_file_path[MAX_PATH] = {};

// Creates |path| as a folder when nothing exists there yet. False when it is
// missing and can't be created.
bool EnsureFolderExists(const wchar_t* path) {
  if (::PathFileExistsW(path))
    return true;
  return ::CreateDirectoryW(path, nullptr) != 0;
}

// Writes the long path of the per-user data folder into |path| (MAX_PATH
// characters), creating the local application-data folder and the data folder
// when missing. False on any failure, including a file in the folder's place.
bool MakeProductFolder(wchar_t (&path)[MAX_PATH]) {
  LPITEMIDLIST item_list = nullptr;
  if (::SHGetSpecialFolderLocation(nullptr, CSIDL_LOCAL_APPDATA, &item_list) != S_OK) {
    return false;
  }
  wchar_t base[MAX_PATH] = {};
  ::SHGetPathFromIDListW(item_list, base);
  ::CoTaskMemFree(item_list);

  if (!EnsureFolderExists(base))
    return false;
  if (!::PathCombineW(path, base, kProductFolderName))
    return false;
  if (!EnsureFolderExists(path))
    return false;
  return ::PathIsDirectoryW(path) != FALSE;
}

// Appends the trailing backslash and returns GetShortPathNameW's answer for
// |path| into the caller's buffer.
DWORD ShortFormWithBackslash(wchar_t (&path)[MAX_PATH], DWORD size, wchar_t* buffer) {
  if (FAILED(::StringCchCatW(path, MAX_PATH, L"\\")))
    return 0;
  return ::GetShortPathNameW(path, buffer, size);
}

}  // namespace

DWORD GetProductFolder(DWORD size, wchar_t* buffer) {
  wchar_t folder[MAX_PATH] = {};
  if (!MakeProductFolder(folder))
    return 0;
  return ShortFormWithBackslash(folder, size, buffer);
}

DWORD GetProductSubfolder(const wchar_t* name, DWORD size, wchar_t* buffer) {
  wchar_t folder[MAX_PATH] = {};
  if (!MakeProductFolder(folder))
    return 0;
  wchar_t subfolder[MAX_PATH] = {};
  if (!::PathCombineW(subfolder, folder, name))
    return 0;
  if (!EnsureFolderExists(subfolder))
    return 0;
  if (!::PathIsDirectoryW(subfolder))
    return 0;
  return ShortFormWithBackslash(subfolder, size, buffer);
}

const wchar_t* MakeTempFilePath() {
  wchar_t folder[MAX_PATH] = {};
  DWORD len = GetProductFolder(MAX_PATH, folder);
  if (len == 0 || len >= MAX_PATH)
    return nullptr;
  // With 0 as the unique number the system picks a free name and creates the
  // file empty, so two calls never hand out the same name.
  if (::GetTempFileNameW(folder, kTempFilePrefix, 0, g_temp_file_path) == 0) {
    g_temp_file_path[0] = L'\0';
    return nullptr;
  }
  return g_temp_file_path;
}

}  // namespace quillon

// The per-user data folder (Vaultine in the user's local application-data
// folder), its named subfolders, and unique temporary files in it. Folders are
// created on demand and handed out as short (8.3) paths with a trailing
// backslash.
#ifndef QUILLON_DEPLOY_FOLDERS_FOLDERS_H_
#define QUILLON_DEPLOY_FOLDERS_FOLDERS_H_

#include <windows.h>

#include "support/path_buffer.h"

namespace quillon {

// Writes the per-user data folder's short path with a trailing backslash into
// |buffer| of |size| characters. Returns what GetShortPathNameW returns: the
// length without the terminator when it fits; the size needed (terminator
// included) when it doesn't, and the buffer is then not to be used; 0 on any
// failure. Callers treat 0 and any value above |size| as failure.
DWORD GetProductFolder(DWORD size, wchar_t* buffer);

// The same for the subfolder |name| of the per-user data folder (one level,
// name used unchanged), creating both when missing.
DWORD GetProductSubfolder(const wchar_t* name, DWORD size, wchar_t* buffer);

// The same two lookups into a path buffer: true with the folder's short path
// (trailing backslash) in |folder|; false, with |folder| empty, on any
// failure, a path that doesn't fit included.
bool GetProductFolder(PathBuffer* folder);
bool GetProductSubfolder(const wchar_t* name, PathBuffer* folder);

// Creates a new, empty file with a unique "UAS" name in the per-user data
// folder and returns its path, held in a process-wide buffer that the next
// call overwrites; null on failure. The caller deletes the file.
const wchar_t* MakeTempFilePath();

}  // namespace quillon

#endif  // QUILLON_DEPLOY_FOLDERS_FOLDERS_H_

#include "deploy/extract.h"

#include <shlobj.h>

#include <io.h>
#include <share.h>

#include <cstdio>
#include <cwchar>

#include "deploy/payload/payload_decoder.h"
#include "support/handles.h"
#include "support/path_buffer.h"
#include "support/sleep.h"

namespace quillon {
namespace {

const wchar_t kPayloadResourceType[] = L"MODULE";
constexpr int kDeleteAttempts = 10;
constexpr DWORD kDeleteRetryMilliseconds = 100;

bool PathExists(const wchar_t* path) {
  return ::_waccess(path, 0) == 0;
}

}  // namespace

bool ExtractPayload(const wchar_t* folder, const wchar_t* file_name, const wchar_t* resource_name) {
  return ExtractPayloadFromModule(nullptr, folder, file_name, resource_name);
}

bool ExtractPayloadFromModule(HMODULE module,
                              const wchar_t* folder,
                              const wchar_t* file_name,
                              const wchar_t* resource_name) {
  HRSRC resource = ::FindResourceW(module, resource_name, kPayloadResourceType);
  if (!resource)
    return false;
  const DWORD size = ::SizeofResource(module, resource);
  if (size == 0)
    return false;
  HGLOBAL loaded = ::LoadResource(module, resource);
  if (!loaded)
    return false;
  const void* data = ::LockResource(loaded);
  if (!data)
    return false;

  PathBuffer target_path;
  if (!target_path.Join(folder, file_name))
    return false;
  const wchar_t* target = target_path.Get();

  // Whether the old file went away doesn't matter here: the open below fails
  // when it is still there and can't be replaced.
  DeleteFileWithRetry(target);

  StdioFile file = OpenForWritingAlone(target);
  if (!file)
    return false;
  // The compressed bytes go straight from the resource to the file; the file
  // briefly holds the stream until it is decoded in place.
  bool written = std::fwrite(data, size, 1, file.get()) == 1;
  if (!CloseStdioFile(&file))
    written = false;
  if (!written) {
    ::DeleteFileW(target);
    return false;
  }

  if (!DecodePayloadFile(target, target)) {
    ::DeleteFileW(target);
    return false;
  }

  ::SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW, target, nullptr);
  return true;
}

StdioFile OpenForWritingAlone(const wchar_t* path) {
  // As the runtime's secure open does for writing. (_wfopen_s itself is
  // missing from the system runtime of Windows XP, where the launcher must
  // still start.)
  return StdioFile(::_wfsopen(path, L"wb", _SH_DENYRW));
}

bool DeleteFileWithRetry(const wchar_t* path) {
  for (int attempt = 0; attempt < kDeleteAttempts; ++attempt) {
    ::DeleteFileW(path);
    if (!PathExists(path))
      return true;
    RetrySleep(kDeleteRetryMilliseconds);
  }
  return false;
}

}  // namespace quillon

#include "deploy/plan.h"

#include "autostart/ready/service_ready.h"
#include "deploy/extract.h"
#include "deploy/folders/folders.h"
#include "deploy/shortcut.h"
#include "environment/platform/platform.h"
#include "launcher/paths/module_paths.h"
#include "launcher/text/message_ids.h"
#include "support/log/log.h"
#include "support/path_buffer.h"
#include "support/version_info.h"

namespace quillon {
namespace {

constexpr wchar_t kLibraryFolderName[] = L"Library7.0.0.68";
constexpr wchar_t kViewerFileName[] = L"Portico.exe";
constexpr wchar_t kShortcutFileName[] = L"Quillon.lnk";

// A present viewer that can't be replaced is used when its file version is at
// least this major number.
constexpr int kMinimumPresentViewerMajor = 6;

// The component table once per bitness: its lines for both and for that one.
#define COMPONENT(row, resource, file, folder, on_failure, a, b, c, d, size) \
  {row, L##resource, L##file, ComponentFolder::folder, OnFailure::on_failure, {a, b, c, d}},
#define COMPONENT32 COMPONENT
#define COMPONENT64(...)
constexpr ComponentRow kRows32[] = {
#include "deploy/components.def"
};
#undef COMPONENT32
#undef COMPONENT64
#define COMPONENT32(...)
#define COMPONENT64 COMPONENT
constexpr ComponentRow kRows64[] = {
#include "deploy/components.def"
};

// The viewer couldn't be written: a present viewer of version 6 or later is
// used instead. Returns 0 to go on, otherwise the result code.
UINT CheckPresentViewer(const PathBuffer& data_folder) {
  PathBuffer viewer;
  if (!viewer.Join(data_folder.Get(), kViewerFileName))
    return kResultViewer;
  if (::GetFileAttributesW(viewer.Get()) == INVALID_FILE_ATTRIBUTES)
    return kResultViewer;
  WriteLog(L"%s exists.", viewer.Get());
  int version[4] = {-1, -1, -1, -1};
  if (!ReadFileVersion(viewer.Get(), version))
    return kResultViewer;
  WriteLog(L"%s(%d.%d.%d.%d)", viewer.Get(), version[0], version[1], version[2], version[3]);
  if (version[0] < kMinimumPresentViewerMajor)
    return kResultViewer;
  return 0;
}

// What the failure to write |row| means: 0 to go on, otherwise the result code.
UINT OnRowFailed(const ComponentRow& row, const PathBuffer& data_folder) {
  switch (row.on_failure) {
    case OnFailure::kIgnore:
      return 0;
    case OnFailure::kViewer:
      return CheckPresentViewer(data_folder);
    case OnFailure::kDriverVt:
    case OnFailure::kDriverXm: {
      // A driver is kept when its ProductVersion is exactly the row's.
      const int* v = row.kept_version;
      PathBuffer path;
      if (path.Join(data_folder.Get(), row.file_name) &&
          ProductVersionEquals(path.Get(), v[0], v[1], v[2], v[3]))
        return 0;
      return row.on_failure == OnFailure::kDriverVt ? kResultDriverVt : kResultDriverXm;
    }
    case OnFailure::kEssential:
      return kResultOstrelVtExProgram;
  }
  return 0;
}

}  // namespace

const ComponentRow* ComponentTable(bool native32, size_t* count) {
  if (native32) {
    *count = sizeof(kRows32) / sizeof(kRows32[0]);
    return kRows32;
  }
  *count = sizeof(kRows64) / sizeof(kRows64[0]);
  return kRows64;
}

UINT FormatLaunchPaths(const wchar_t* data_folder, PathBuffer* shortcut, PathBuffer* viewer) {
  if (!shortcut->Join(data_folder, kShortcutFileName) ||
      !viewer->Join(data_folder, kViewerFileName)) {
    return kResultPathFormat;
  }
  return 0;
}

UINT DeployComponents() {
  // On Windows 2000 and XP the product needs either its ready service or an
  // administrator; nothing is written for anyone else.
  if (!ServiceReady() && (IsWindows2000() || IsWindowsXp()) && !UserIsAdmin()) {
    return kMsgErrorAccount;
  }

  // The launcher's own path becomes the viewer's argument.
  PathBuffer own_path;
  if (!ReadOwnPath(&own_path))
    return kResultOwnPathUnreadable;

  PathBuffer data_folder;
  PathBuffer library_folder;
  if (!GetProductFolder(&data_folder) || !GetProductSubfolder(kLibraryFolderName, &library_folder))
    return kResultFolders;

  size_t count = 0;
  const ComponentRow* rows = ComponentTable(IsNative32Bit(), &count);
  for (size_t i = 0; i < count; ++i) {
    const ComponentRow& row = rows[i];
    const PathBuffer& folder =
        row.folder == ComponentFolder::kLibrary ? library_folder : data_folder;
    if (ExtractPayload(folder.Get(), row.file_name, row.resource))
      continue;
    UINT code = OnRowFailed(row, data_folder);
    if (code != 0)
      return code;
  }

  PathBuffer shortcut;
  PathBuffer viewer;
  if (const UINT code = FormatLaunchPaths(data_folder.Get(), &shortcut, &viewer))
    return code;

  // Without a ready service, a user without administrator rights gets a
  // shortcut that asks for elevation.
  bool run_as_admin = !ServiceReady() && !UserIsAdmin();
  if (!CreateShortcutWithRetry(shortcut.Get(), viewer.Get(), own_path.Get(), run_as_admin))
    return kResultShortcut;

  // Whether the shell started the viewer isn't learnt: the start ends here.
  LaunchShortcut(shortcut.Get(), data_folder.Get());
  return kMsgOk;
}

}  // namespace quillon

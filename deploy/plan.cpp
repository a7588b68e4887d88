#include "deploy/plan.h"

#include <strsafe.h>

#include <cwchar>

#include "autostart/service_ready.h"
#include "deploy/extract.h"
#include "deploy/folders.h"
#include "deploy/shortcut.h"
#include "environment/platform.h"
#include "launcher/text/message_ids.h"
#include "support/log.h"
#include "support/version_info.h"

namespace quillon {
namespace {

constexpr wchar_t kLibraryFolderName[] = L"Library7.0.0.68";
constexpr wchar_t kViewerFileName[] = L"Portico.exe";
constexpr wchar_t kShortcutFileName[] = L"Quillon.lnk";

// A present viewer that can't be replaced is used when its file version is at
// least this major number.
constexpr int kMinimumPresentViewerMajor = 6;

using F = ComponentFolder;
using On = OnFailure;

// Rows 7 to 9 exist on 64-bit Windows only; the eject-latch pair carries the
// bitness in its names. Every other file has the same name on both.
constexpr ComponentRow kRows32[] = {
    {1, L"__Quillon.exe", L"Portico.exe", F::kData, On::kViewer},
    {2, L"OSTRELVT_SRV", L"hostrelay.exe", F::kData, On::kIgnore},
    {3, L"UPLIFT_ONLINE_EXE", L"Uplift_Online.exe", F::kData, On::kIgnore},
    {4, L"OSTRELVT_DLL", L"OstrelVT3.dll", F::kLibrary, On::kIgnore},
    {5, L"OSTRELVT_SYS", L"OstrelVT6.sys", F::kData, On::kDriverVt},
    {6, L"OSTRELXM_SYS", L"OstrelXM2.sys", F::kData, On::kDriverXm},
    {10, L"EJECTPROBE_EXE", L"EjectProbeVT.exe", F::kData, On::kIgnore},
    {11, L"EJECTLATCH32_DLL", L"EjectLatchVT32.dll", F::kData, On::kIgnore},
    {12, L"EJECTLATCH32_EXE", L"EjectLatchStartVT32.exe", F::kData, On::kIgnore},
    {13, L"PLEXFOLD32_SYS", L"Plexfold1.sys", F::kData, On::kIgnore},
    {14, L"PLEXFOLD32_EXE", L"Plexfold1.exe", F::kData, On::kIgnore},
};

constexpr ComponentRow kRows64[] = {
    {1, L"__Quillon.exe", L"Portico.exe", F::kData, On::kViewer},
    {2, L"OSTRELVT_SRV", L"hostrelay.exe", F::kData, On::kIgnore},
    {3, L"UPLIFT_ONLINE_EXE", L"Uplift_Online.exe", F::kData, On::kIgnore},
    {4, L"OSTRELVT_DLL", L"OstrelVT3.dll", F::kLibrary, On::kIgnore},
    {5, L"X64_OSTRELVT_SYS", L"OstrelVT6.sys", F::kData, On::kDriverVt},
    {6, L"X64_OSTRELXM_SYS", L"OstrelXM2.sys", F::kData, On::kDriverXm},
    {7, L"X64_OSTRELVT_DLL", L"OstrelVT3_x64.dll", F::kLibrary, On::kIgnore},
    {8, L"OSTRELVTEX_X64_EXE", L"ostrelvtex_x64.exe", F::kData, On::kEssential},
    {9, L"VAULTINE_X64_EXE", L"hostcareprocess.exe", F::kData, On::kIgnore},
    {10, L"EJECTPROBE_EXE", L"EjectProbeVT.exe", F::kData, On::kIgnore},
    {11, L"EJECTLATCH64_DLL", L"EjectLatchVT64.dll", F::kData, On::kIgnore},
    {12, L"EJECTLATCH64_EXE", L"EjectLatchStartVT64.exe", F::kData, On::kIgnore},
    {13, L"PLEXFOLD64_SYS", L"Plexfold1.sys", F::kData, On::kIgnore},
    {14, L"PLEXFOLD64_EXE", L"Plexfold1.exe", F::kData, On::kIgnore},
};

// |folder| (with its trailing backslash) followed by |file_name| into |path|
// of MAX_PATH characters. False when it doesn't fit.
bool JoinPath(const wchar_t* folder, const wchar_t* file_name, wchar_t* path) {
  return SUCCEEDED(::StringCchPrintfW(path, MAX_PATH, L"%s%s", folder, file_name)) &&
         path[0] != L'\0';
}

bool FolderFits(DWORD length) {
  return length != 0 && length < MAX_PATH;
}

// The viewer couldn't be written: a present viewer of version 6 or later is
// used instead. Returns 0 to go on, otherwise the result code.
UINT CheckPresentViewer(const wchar_t* data_folder) {
  wchar_t viewer[MAX_PATH] = {};
  if (!JoinPath(data_folder, kViewerFileName, viewer))
    return kResultViewer;
  if (::GetFileAttributesW(viewer) == INVALID_FILE_ATTRIBUTES)
    return kResultViewer;
  WriteLog(L"%s exists.", viewer);
  int version[4] = {-1, -1, -1, -1};
  if (!ReadFileVersion(viewer, version))
    return kResultViewer;
  WriteLog(L"%s(%d.%d.%d.%d)", viewer, version[0], version[1], version[2], version[3]);
  if (version[0] < kMinimumPresentViewerMajor)
    return kResultViewer;
  return 0;
}

// A driver couldn't be written: the present one is used when its
// ProductVersion is exactly the one this launcher carries.
bool PresentDriverAccepted(const wchar_t* data_folder,
                           const wchar_t* file_name,
                           int a,
                           int b,
                           int c,
                           int d) {
  wchar_t path[MAX_PATH] = {};
  return JoinPath(data_folder, file_name, path) && ProductVersionEquals(path, a, b, c, d);
}

// What the failure to write |row| means: 0 to go on, otherwise the result code.
UINT OnRowFailed(const ComponentRow& row, const wchar_t* data_folder) {
  switch (row.on_failure) {
    case OnFailure::kIgnore:
      return 0;
    case OnFailure::kViewer:
      return CheckPresentViewer(data_folder);
    case OnFailure::kDriverVt:
      if (PresentDriverAccepted(data_folder, row.file_name, 7, 0, 0, 4))
        return 0;
      return kResultDriverVt;
    case OnFailure::kDriverXm:
      if (PresentDriverAccepted(data_folder, row.file_name, 1, 0, 2, 0))
        return 0;
      return kResultDriverXm;
    case OnFailure::kEssential:
      return kResultRow8;
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

UINT DeployComponents() {
  // On Windows 2000 and XP the product needs either its ready service or an
  // administrator; nothing is written for anyone else.
  if (!ServiceReady && (IsWindows2000() || IsWindowsXp()) && !UserIsAdmin()) {
    return kMsgErrorAccount;
  }

  // The launcher's own path becomes the viewer's argument. A cut path would
  // name another file, so it counts as unreadable.
  wchar_t own_path[MAX_PATH] = {};
  DWORD own_len = ::GetModuleFileNameW(nullptr, own_path, MAX_PATH);
  if (own_len == 0 || own_len >= MAX_PATH)
    return kResultOwnPathUnreadable;

  wchar_t data_folder[MAX_PATH] = {};
  if (!FolderFits(GetProductFolder(MAX_PATH, data_folder)))
    return kResultFolders;
  wchar_t library_folder[MAX_PATH] = {};
  if (!FolderFits(GetProductSubfolder(kLibraryFolderName, MAX_PATH, library_folder))) {
    return kResultFolders;
  }

  size_t count = 0;
  const ComponentRow* rows = ComponentTable(IsNative32Bit(), &count);
  for (size_t i = 0; i < count; ++i) {
    const ComponentRow& row = rows[i];
    const wchar_t* folder = row.folder == ComponentFolder::kLibrary ? library_folder : data_folder;
    if (ExtractPayload(folder, row.file_name, row.resource))
      continue;
    UINT code = OnRowFailed(row, data_folder);
    if (code != 0)
      return code;
  }

  wchar_t shortcut[MAX_PATH] = {};
  wchar_t viewer[MAX_PATH] = {};
  if (!JoinPath(data_folder, kShortcutFileName, shortcut) ||
      !JoinPath(data_folder, kViewerFileName, viewer)) {
    return kResultPathFormat;
  }

  // Without a ready service, a user without administrator rights gets a
  // shortcut that asks for elevation.
  bool run_as_admin = !ServiceReady && !UserIsAdmin();
  if (!CreateShortcutWithRetry(shortcut, viewer, own_path, run_as_admin))
    return kResultShortcut;

  // Whether the shell started the viewer isn't learnt: the start ends here.
  LaunchShortcut(shortcut, data_folder);
  return kMsgOk;
}

bool ProductVersionEquals(const wchar_t* path, int a, int b, int c, int d) {
  // A version text that doesn't fit isn't one of the plain four-number texts
  // compared here.
  wchar_t text[256] = {};
  if (!ReadProductVersionText(path, text, sizeof(text) / sizeof(text[0])))
    return false;
  // Four dot-separated numbers are read from the start; whatever follows the
  // fourth is not looked at. Numbers not read stay -1 and never match.
  int numbers[4] = {-1, -1, -1, -1};
  bool more = false;
  ParseVersionNumbers(text, std::wcslen(text), L'.', numbers, &more);
  return numbers[0] == a && numbers[1] == b && numbers[2] == c && numbers[3] == d;
}

}  // namespace quillon

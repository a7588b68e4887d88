#include "environment/antivirus_warnings.h"

#include <io.h>

#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "support/handles.h"
#include "support/path_buffer.h"
#include "support/user_key.h"

namespace quillon {
namespace {

constexpr wchar_t kAvastFlag[] = L"AVASTCHECK_MSG";
constexpr wchar_t k360Flag[] = L"360CHECK_MSG";

// What the two warnings' dialogs differ in.
struct Warning {
  UINT message_id;
  const wchar_t* flag;
};
constexpr Warning kAvast = {kMsgAvastCheck, kAvastFlag};
constexpr Warning k360 = {kMsg360Check, k360Flag};

INT_PTR WarningDialogProc(const Warning& warning, HWND dialog, UINT message, WPARAM wparam) {
  if (message == WM_INITDIALOG) {
    const DialogText texts[] = {
        {kWarningText, warning.message_id}, kWarningTexts[0], kWarningTexts[1], kWarningTexts[2]};
    InitLocalizedDialog(dialog, texts, sizeof(texts) / sizeof(texts[0]));
    ::SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return TRUE;
  }
  // Escape and the close box arrive as the abort button.
  if (message == WM_COMMAND &&
      (LOWORD(wparam) == kWarningIgnore || LOWORD(wparam) == kWarningAbort)) {
    if (::SendDlgItemMessageW(dialog, kDontShowAgain, BM_GETCHECK, 0, 0) == BST_CHECKED)
      WriteUserDword(warning.flag, 0);  // a failure is ignored: it shows again
    ::EndDialog(dialog, LOWORD(wparam));
  }
  return FALSE;
}

INT_PTR CALLBACK AvastWarningProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return WarningDialogProc(kAvast, dialog, message, wparam);
}

INT_PTR CALLBACK Warning360Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  return WarningDialogProc(k360, dialog, message, wparam);
}

int ShowWarning(DLGPROC procedure) {
  return static_cast<int>(::DialogBoxParamW(
      ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kWarningDialog), nullptr, procedure, 0));
}

}  // namespace

int ShowAvastWarning() {
  return ShowWarning(AvastWarningProc);
}

int Show360Warning() {
  return ShowWarning(Warning360Proc);
}

bool WarningSuppressed(const wchar_t* flag) {
  // A string, even "0", never suppresses.
  DWORD value = 1;
  return ReadUserDword(flag, &value) && value == 0;
}

bool AvastServicePath(const wchar_t* windows_folder, PathBuffer* path) {
  if (!windows_folder || windows_folder[0] == L'\0' ||
      !path->Assign(L"X:\\Program Files\\AVAST Software\\AVAST\\AvastSvc.exe")) {
    path->Clear();
    return false;
  }
  path->Data()[0] = windows_folder[0];
  return true;
}

int CheckAvastWarning() {
  PathBuffer path;
  PathBuffer windows_folder;
  if (!windows_folder.TakeWritten(
          ::GetWindowsDirectoryW(windows_folder.Data(), PathBuffer::kCapacity)) ||
      !AvastServicePath(windows_folder.Get(), &path) || ::_waccess(path.Get(), 0) != 0)
    return kWarningNotShown;
  if (WarningSuppressed(kAvastFlag))
    return kWarningNotShown;
  return ShowAvastWarning();
}

int Check360Warning() {
  {
    RegKey service;
    if (OpenRegKey(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\ZhuDongFangYu",
                   KEY_READ, &service) != ERROR_SUCCESS) {
      return kWarningNotShown;
    }
  }
  if (WarningSuppressed(k360Flag))
    return kWarningNotShown;
  return Show360Warning();
}

}  // namespace quillon

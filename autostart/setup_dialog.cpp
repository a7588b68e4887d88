#include "autostart/setup_dialog.h"

#include <commctrl.h>
#include <shellapi.h>
#include <strsafe.h>

#include "autostart/companions.h"
#include "autostart/user_values.h"
#include "launcher/paths/module_paths.h"
#include "launcher/paths/stick_paths.h"
#include "launcher/text/message_ids.h"
#include "launcher/text/messages.h"
#include "localization/language_dialog.h"
#include "localization/language_files.h"
#include "support/handles.h"
#include "support/path_buffer.h"

namespace quillon {
namespace {

// Set when the dialog is initialised, cleared by its first show notice.
bool g_bring_to_front = false;

bool Checked(HWND dialog, int control) {
  return ::SendDlgItemMessageW(dialog, control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Opens the stick's Confera.exe without waiting. False when there is none.
bool StartSettingsTool(const wchar_t* module_folder) {
  PathBuffer confera;
  if (!FindConfera(module_folder, &confera))
    return false;
  SHELLEXECUTEINFOW request = {};
  request.cbSize = sizeof(request);
  request.lpVerb = L"open";
  request.lpFile = confera.Get();
  request.nShow = SW_SHOW;
  // A failed start is not looked at: the start ends all the same.
  ::ShellExecuteExW(&request);
  return true;
}

// The language link: the user's choice, then every text anew.
void ChooseLanguage(HWND dialog) {
  const wchar_t* module_folder = GetModuleFolder();
  if (!module_folder || !ShowLanguageDialog(dialog, module_folder))
    return;
  ResolveCurrentLanguageFile(module_folder);
  ApplySetupTexts(dialog);
}

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      ApplyDialogTheme(dialog);
      ApplySetupTexts(dialog);
      CenterWindow(dialog);
      ::SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      g_bring_to_front = true;
      return TRUE;
    case WM_SHOWWINDOW:
      if (g_bring_to_front) {
        g_bring_to_front = false;
        ForceForeground(dialog);
      }
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wparam) == kYesButton) {
        // The choices are stored before any program starts.
        SaveSetupChoices(dialog);
        const wchar_t* module_folder = GetModuleFolder();
        if (module_folder && StartSettingsTool(module_folder)) {
          ::EndDialog(dialog, kSetupSettingsStarted);
          return FALSE;
        }
        ::ShowWindow(dialog, SW_HIDE);
        if (RunSwiftgateUpdate() != 0) {
          ::EndDialog(dialog, kSetupUpdated);
          return FALSE;
        }
        // The update didn't succeed: the question is asked again.
        ::ShowWindow(dialog, SW_SHOW);
      } else if (LOWORD(wparam) == kNoButton) {
        SaveSetupChoices(dialog);
        ::EndDialog(dialog, kSetupDeclined);
      }
      return FALSE;
    case WM_NOTIFY: {
      const NMHDR* notice = reinterpret_cast<const NMHDR*>(lparam);
      if (notice->idFrom == kLanguageLink &&
          (notice->code == NM_CLICK || notice->code == NM_RETURN))
        ChooseLanguage(dialog);
      return 0;
    }
    default:
      return FALSE;
  }
}

}  // namespace

void ApplySetupTexts(HWND dialog) {
  ::SetWindowTextW(dialog, GetCaptionText());
  for (const DialogText& text : kSetupTexts)
    ::SetDlgItemTextW(dialog, text.control_id, GetMessageText(text.message_id));

  // Without a module folder the stick's settings read as empty.
  const wchar_t* module_folder = GetModuleFolder();
  wchar_t parameter[kStickSettingCapacity] = {};
  wchar_t update_url[kStickSettingCapacity] = {};
  if (module_folder) {
    ReadStickSetting(module_folder[0], kParameterKey, parameter, kStickSettingCapacity);
    ReadStickSetting(module_folder[0], kAutoUpdateUrlKey, update_url, kStickSettingCapacity);
  }
  wchar_t label[kCheckLabelCapacity];
  ::StringCchPrintfW(label, kCheckLabelCapacity, kCheckLabelFormat,
                     GetMessageText(kMsgCheckVersion), parameter);
  ::SetDlgItemTextW(dialog, kVersionCheck, label);
  // Hidden for good when the stick offers no automatic update.
  if (update_url[0] == L'\0')
    ::ShowWindow(::GetDlgItem(dialog, kVersionCheck), SW_HIDE);

  wchar_t link[kLinkLabelCapacity];
  ::StringCchPrintfW(link, kLinkLabelCapacity, kLinkLabelFormat, GetMessageText(kMsgLanguage));
  ::SetDlgItemTextW(dialog, kLanguageLink, link);
}

void SaveSetupChoices(HWND dialog) {
  RegKey key;
  if (!OpenUserKey(&key))
    return;
  WriteUserDword(key, kAutoUpdateValue, Checked(dialog, kVersionCheck) ? 1 : 0);
  WriteUserDword(key, kSetupPromptValue, Checked(dialog, kDontAskAgain) ? 0 : 1);
}

void ForceForeground(HWND window) {
  const DWORD own_thread = ::GetWindowThreadProcessId(window, nullptr);
  const DWORD foreground_thread = ::GetWindowThreadProcessId(::GetForegroundWindow(), nullptr);
  if (own_thread == foreground_thread)
    return;
  ::SetForegroundWindow(window);
  ::AttachThreadInput(own_thread, foreground_thread, TRUE);
  ::SetForegroundWindow(window);
  ::AttachThreadInput(own_thread, foreground_thread, FALSE);
}

DWORD RunSwiftgateUpdate() {
  const wchar_t* module_folder = GetModuleFolder();
  PathBuffer swiftgate;
  if (!module_folder || !FindSwiftgate(module_folder, &swiftgate))
    return 0;
  SHELLEXECUTEINFOW request = {};
  request.cbSize = sizeof(request);
  request.fMask = SEE_MASK_NOCLOSEPROCESS;
  request.lpVerb = L"open";
  request.lpFile = swiftgate.Get();
  request.lpParameters = L"/update";
  request.nShow = SW_SHOW;
  if (!::ShellExecuteExW(&request))
    return 0;
  KernelHandle process(request.hProcess);
  if (!process.IsValid())
    return 0;
  return ExitCodeOnceEnded(process.Get());
}

DWORD ExitCodeOnceEnded(HANDLE process) {
  // After a failed wait the process may still run, and its exit code reads
  // as STILL_ACTIVE (259), which isn't 0: it would count as success.
  if (::WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0)
    return 0;
  DWORD code = 0;
  if (!::GetExitCodeProcess(process, &code))
    return 0;
  return code;
}

int ShowSetupDialog() {
  // The language link is a SysLink control of common controls 6.
  EnsureCommonControls(ICC_LINK_CLASS);
  return static_cast<int>(::DialogBoxParamW(
      ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kSetupDialog), nullptr, SetupDialogProc, 0));
}

}  // namespace quillon
